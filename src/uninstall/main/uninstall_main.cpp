// The uninstaller's entry point: DLLs from System32 only, COM, the command line and the log,
// then the run, or the last step of one in the copy it started. The process always ends
// through ExitProcess.
#include <windows.h>
#include <objbase.h>

#include "args/command_line.h"
#include "install/run_log_win.h"
#include "sys/elevation_win.h"
#include "sys/fatal_error_win.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/system_dll_win.h"
#include "sys/text.h"
#include "uninstall/uninstall_rules.h"
#include "uninstall/uninstall_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  vl::restrict_dll_search();
  vl::set_fatal_program_name(vl::UNINSTALLER_NAME.data());

  const std::u16string line(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  vl::CommandLine cmd = vl::parse_command_line(line);
  const std::string own_path = vl::own_module_path();
  if (auto folder = vl::removal_copy_folder(cmd, vl::parent_folder(own_path))) {
    vl::finish_uninstall(*folder);
    ExitProcess(vl::EXIT_SUCCESS_CODE);
  }

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);  // failures ignored
  // The elevated relaunch opens no path the user named: its lines go through this process's
  // relay, which writes them with the user's rights.
  if (cmd.resume) cmd.log_path.reset();
  if (cmd.log_path) cmd.log_path = vl::absolute_path(*cmd.log_path);
  vl::RunLogSinks log_sinks(cmd.log_path, true, cmd.resume ? cmd.log_relay : std::nullopt);
  const std::optional<uint32_t> relay = cmd.resume ? std::nullopt : log_sinks.start_relay();
  vl::InstallLog& log = log_sinks.log();
  log.note(std::string(vl::UNINSTALLER_NAME) + " " + std::string(vl::OWN_VERSION) +
           " started: " + vl::utf16_to_utf8(line).value_or(std::string()));

  vl::UninstallRun run{own_path, cmd.silent, cmd.resume, relay};
  ExitProcess(static_cast<UINT>(vl::run_uninstall(run, log)));
}
