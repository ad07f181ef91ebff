#pragma once
// The uninstaller's run: it finds the installation it belongs to from its own folder, asks for
// confirmation unless silent, relaunches itself elevated for an all-users installation, closes
// the running application and removes what the installer placed. Files it did not place stay,
// and so does their folder.
#include <string_view>

#include "install/run_log.h"

namespace vl {

struct UninstallRun {
  std::string_view own_path;  // the running uninstall.exe
  bool silent = false;        // /S: no confirmation, no message box
  bool resumed = false;       // the elevated copy: never relaunches again
  std::optional<std::string> log_path;  // absolute
};

// The exit code: EXIT_SUCCESS_CODE, EXIT_REFUSED or EXIT_INSTALL_FAILED, with the failure
// text logged (and shown in a message box unless silent). COM must be initialised.
int run_uninstall(const UninstallRun& run, InstallLog& log);

}  // namespace vl
