#pragma once
// What is already on the machine: the product's own installation, its version relation to
// this installer, the predecessor client and an earlier MSI installation of the product.
#include <optional>
#include <string>
#include <string_view>

#include "product/product.h"

namespace vl {

enum class InstallMode { FreshInstall = 0, Upgrade = 1, Reinstall = 2, Downgrade = 3 };

struct ExistingInstall {
  std::string location;
  std::optional<std::string> version;
  std::string main_binary = std::string(APPLICATION_FILE_NAME);
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

// The mode for an installed version (absent: unknown, treated as older) against OWN_VERSION.
InstallMode mode_for_installed_version(const std::optional<std::string>& installed_version);

// The VlFiles fallback when the stored list is missing or empty.
inline constexpr std::string_view PREVIOUS_FILES_FALLBACK = "pkcs11-drivers\\libcastle.dylib";

}  // namespace vl
