#pragma once
// The uninstaller's run: it finds the installation it belongs to from its own folder, asks for
// confirmation unless silent, relaunches itself elevated for an all-users installation, closes
// the running application and removes what the installer placed. Files it did not place stay,
// and so does their folder.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "install/run_log.h"

namespace vl {

struct UninstallRun {
  std::string_view own_path;  // the running uninstall.exe
  bool silent = false;        // /S: no confirmation, no message box
  bool resumed = false;       // the elevated copy: never relaunches again
  std::optional<uint32_t> log_relay;  // this process's log relay, for the elevated copy
};

// The exit code: EXIT_SUCCESS_CODE, EXIT_REFUSED or EXIT_INSTALL_FAILED, with the failure
// text logged (and shown in a message box unless silent). COM must be initialised.
// Its own file, which a running program cannot remove, and then the install folder when
// nothing else is left in it, are removed by a copy of the uninstaller in a folder of its own,
// started at the end of a successful run (hand-over, see sys/own_copy_win.h).
int run_uninstall(const UninstallRun& run, InstallLog& log);

// That copy's run, given the install folder: once no Uninstall entry names the folder, it waits
// for the uninstaller there to end, removes its file and then the folder if empty (the command
// processor that started the copy removes the copy's own folder after it). Silent, logs
// nothing, ignores every error.
void finish_uninstall(std::string_view install_dir);

}  // namespace vl
