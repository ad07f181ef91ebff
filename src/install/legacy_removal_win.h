#pragma once
// Removal of the predecessor client VeriluneClient (the RemoveLegacy step) and of an earlier
// MSI installation of the product (during Prepare). Everything here is best effort.
#include <optional>
#include <string>
#include <string_view>

#include "product/installed_state.h"

namespace vl {

// msiexec.exe in the System folder (FOLDERID_System, else GetSystemDirectoryW); absent when
// neither can be obtained.
std::optional<std::string> system_msiexec_path();

// Deletes a folder tree: read-only files too; links (reparse points) are removed, not followed.
void remove_folder_tree(std::string_view folder);

struct LegacyRemovalContext {
  std::string install_dir;
  bool quiet = false;
  // The msiexec.exe to run; absent: no Windows Installer call can be made.
  std::optional<std::string> msiexec;
};

// The RemoveLegacy step's actions, in order: end the client's processes, let them go,
// uninstall it through msiexec when its product code is known, clean its folder and remove
// the autostart shortcuts.
void remove_legacy_client(const LegacyClient& legacy, const LegacyRemovalContext& context);

// Uninstalls an earlier MSI installation of the product (basic interface), ignoring the outcome.
void remove_previous_msi(std::string_view product_code, const std::optional<std::string>& msiexec);

}  // namespace vl
