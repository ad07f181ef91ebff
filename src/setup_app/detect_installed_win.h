#pragma once
// Reads what is installed from the registry and the file system.
#include <string>
#include <vector>

#include "setup_app/settle_options.h"
#include "product/installed_state.h"
#include "setup_app/startup.h"

namespace vl {

// The product's own installation: HKLM before HKCU, preferring one whose main binary exists.
// The HKCU record takes part as far as `per_user` lets it (installed_state.h); one passed over
// counts as absent.
std::optional<ExistingInstall> detect_existing_install(PerUserRecordTrust per_user);
// The predecessor client, by its Uninstall entry or by its files.
std::optional<LegacyClient> detect_legacy_client(const std::string& install_dir);
// An earlier MSI-based installation of the product (its Uninstall subkey name).
std::optional<std::string> detect_previous_msi();
// The installed file list of the existing installation (VlFiles), with its fallback.
std::vector<std::string> read_previous_files(InstallScope scope);

// Known folders and GetFullPathNameW.
FolderServices system_folder_services();
// The three detectors above, the per-user record trusted as per_user_record_trust says for
// this process and `resumed`.
InstalledStateProbes system_probes(bool resumed);

}  // namespace vl
