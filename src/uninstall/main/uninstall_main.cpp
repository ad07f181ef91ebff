// The uninstaller's entry point: DLLs from System32 only, COM, the command line and the log,
// then the run. The process always ends through ExitProcess.
#include <windows.h>
#include <objbase.h>

#include "args/command_line.h"
#include "install/run_log_win.h"
#include "sys/elevation_win.h"
#include "sys/fatal_error_win.h"
#include "sys/folders_win.h"
#include "sys/system_dll_win.h"
#include "sys/text.h"
#include "uninstall/uninstall_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  vl::restrict_dll_search();
  vl::set_fatal_program_name(vl::INSTALLER_NAME.data());
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);  // failures ignored

  const std::u16string line(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  vl::CommandLine cmd = vl::parse_command_line(line);
  // Absolute before anything else: the elevated copy appends to the same file.
  if (cmd.log_path) cmd.log_path = vl::absolute_path(*cmd.log_path);
  vl::RunLogSinks log_sinks(cmd.log_path, true);
  vl::InstallLog& log = log_sinks.log();
  log.note(std::string(vl::PRODUCT_NAME) + " uninstaller " + std::string(vl::OWN_VERSION) +
           " started: " + vl::utf16_to_utf8(line).value_or(std::string()));

  const std::string own_path = vl::own_module_path();
  vl::UninstallRun run{own_path, cmd.silent, cmd.resume, cmd.log_path};
  ExitProcess(static_cast<UINT>(vl::run_uninstall(run, log)));
}
