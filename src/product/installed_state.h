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

// How far a process follows the per-user (HKEY_CURRENT_USER) record, which every program the
// user runs can rewrite: its location, file list and main binary steer deletions and writes.
// - Full: an unelevated process, which acts with the user's own rights anyway.
// - InsideProfileOnly: an elevated process takes the record only where the user could act
//   anyway: a location inside the user's profile reached through no reparse point. Any other
//   record is passed over as if it were absent (the run then installs as for a fresh machine,
//   into a folder of its own choosing, and touches nothing the record names).
// - None: a resumed copy, which was handed an all-users scope and folder; a per-user record
//   (which its parent did not follow, or it would not have relaunched) must not win over them.
enum class PerUserRecordTrust { Full, InsideProfileOnly, None };
PerUserRecordTrust per_user_record_trust(bool elevated, bool resumed);

// The mode for an installed version (absent: unknown, treated as older) against OWN_VERSION.
InstallMode mode_for_installed_version(const std::optional<std::string>& installed_version);

// The VlFiles fallback when the stored list is missing or empty.
inline constexpr std::string_view PREVIOUS_FILES_FALLBACK = "pkcs11-drivers\\libcastle.dylib";

}  // namespace vl
