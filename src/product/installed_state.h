#pragma once
// What is already on the machine: the product's own installation, its version relation to
// this installer, the predecessor client and an earlier MSI installation of the product.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "args/command_line.h"

namespace vl {

inline constexpr std::string_view OWN_VERSION = "3.0.6";
inline constexpr std::string_view PRODUCT_NAME = "Verilune";
inline constexpr std::string_view DEFAULT_MAIN_BINARY = "verilune.exe";

enum class InstallMode { FreshInstall = 0, Upgrade = 1, Reinstall = 2, Downgrade = 3 };

struct ExistingInstall {
  std::string location;
  std::optional<std::string> version;
  std::string main_binary = std::string(DEFAULT_MAIN_BINARY);
  InstallScope scope = InstallScope::CurrentUser;
};

struct LegacyClient {
  std::optional<std::string> product_code;
  std::optional<std::string> display_version;
  std::optional<std::string> location;
};

struct InstalledState {
  std::optional<ExistingInstall> existing;
  InstallMode mode = InstallMode::FreshInstall;
  std::optional<LegacyClient> legacy;
  std::optional<std::string> previous_msi_code;
};

struct Version {
  std::vector<uint64_t> components;
  std::optional<std::string> pre_release;
};

Version parse_version(std::string_view text);
// +1 when a is greater, 0 when equal, -1 when smaller.
int compare_versions(const Version& a, const Version& b);
// The mode for an installed version (absent: unknown) against OWN_VERSION.
InstallMode mode_for_installed_version(const std::optional<std::string>& installed_version);

// Trims, strips quotes and trailing backslashes; a bare drive keeps one backslash.
std::string normalize_location(std::string_view text);

// The VlFiles fallback when the stored list is missing or empty.
inline constexpr std::string_view PREVIOUS_FILES_FALLBACK = "pkcs11-drivers\\libcastle.dylib";

}  // namespace vl
