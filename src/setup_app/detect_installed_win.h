#pragma once
// Reads what is installed from the registry and the file system.
#include <string>
#include <vector>

#include "setup_app/install_options.h"
#include "product/installed_state.h"
#include "setup_app/startup.h"

namespace vl {

// The product's own installation: HKLM before HKCU, preferring one whose main binary exists.
std::optional<ExistingInstall> detect_existing_install();
// The predecessor client, by its Uninstall entry or by its files.
std::optional<LegacyClient> detect_legacy_client(const std::string& install_dir);
// An earlier MSI-based installation of the product (its Uninstall subkey name).
std::optional<std::string> detect_previous_msi();
// The installed file list of the existing installation (VlFiles), with its fallback.
std::vector<std::string> read_previous_files(InstallScope scope);

// Known folders and GetFullPathNameW.
FolderServices system_folder_services();
// The three detectors above.
InstalledStateProbes system_probes();

}  // namespace vl
