// The entry point: start-up checks in a fixed order, detection of what is installed, settled
// options, then the unattended or the windowed run. The process always ends through ExitProcess.
#include <windows.h>
#include <objbase.h>

#include "args/command_line.h"
#include "install/run_log_win.h"
#include "payload/embedded_payload_win.h"
#include "setup_app/detect_installed_win.h"
#include "setup_app/process_exit_code.h"
#include "setup_app/setup_app.h"
#include "setup_app/silent_run.h"
#include "setup_app/startup.h"
#include "setup_app/startup_texts.h"
#include "sys/fatal_error_win.h"
#include "sys/folders_win.h"
#include "sys/message_box_win.h"
#include "sys/phase_times.h"
#include "sys/system_dll_win.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "ui/run_window.h"

namespace vl {
namespace {

struct OsVersion {
  DWORD major = 0;
  DWORD minor = 0;
  DWORD build = 0;
};

OsVersion read_os_version() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OsVersion version;
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto rtl_get_version = find_proc<RtlGetVersionFn>(ntdll, "RtlGetVersion");
  if (!rtl_get_version) return version;
  RTL_OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);  // 276
  rtl_get_version(reinterpret_cast<OSVERSIONINFOW*>(&info));
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  version.build = info.dwBuildNumber;
  return version;
}


constexpr UINT ERROR_BOX = MB_ICONERROR;
constexpr UINT INFO_BOX = MB_ICONINFORMATION;

// True when this is the only installer running; the mutex stays held for the process's life.
bool take_single_instance_mutex() {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, to_wide(SINGLE_INSTANCE_MUTEX_NAME).c_str());
  if (!mutex) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  return true;  // deliberately never closed
}

std::u16string own_command_line() {
  const wchar_t* line = GetCommandLineW();
  return std::u16string(reinterpret_cast<const char16_t*>(line));
}

[[noreturn]] void run_setup() {
  phase::mark("main");
  restrict_dll_search();
  set_fatal_program_name(INSTALLER_NAME.data());
  const std::u16string line = own_command_line();
  CommandLine cmd = parse_command_line(line);
  // The unattended run initialises COM first. The windowed run does so on first use
  // (ensure_main_thread_com), so that the window is not kept waiting for it.
  if (cmd.silent) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  phase::mark("COM ready");

  // A resumed copy may run with administrator rights: it opens no path the user named (the
  // forwarded /LOG= included) and hands its lines to its parent's relay, which writes them with
  // the user's rights. The parent offers the relay to the copy it may start.
  if (cmd.resume) cmd.log_path.reset();
  if (cmd.log_path) cmd.log_path = absolute_path(*cmd.log_path);
  RunLogSinks log_sinks(cmd.log_path, cmd.silent, cmd.resume ? cmd.log_relay : std::nullopt);
  if (!cmd.resume) cmd.log_relay = log_sinks.start_relay();
  InstallLog& log = log_sinks.log();
  log.started(utf16_to_utf8(line).value_or(std::string()));
  phase::mark("command line");

  OsVersion os = read_os_version();
  if (os.major < 10) {
    const std::string text = old_windows_message(os.major, os.minor, os.build);
    log.finished(EXIT_REFUSED, text);
    if (!cmd.silent) show_message_box(MESSAGE_BOX_CAPTION, text, ERROR_BOX);
    ExitProcess(EXIT_REFUSED);
  }

  if (!cmd.resume && !take_single_instance_mutex()) {
    log.finished(EXIT_REFUSED, ALREADY_RUNNING_TEXT);
    if (!cmd.silent) show_message_box(MESSAGE_BOX_CAPTION, ALREADY_RUNNING_TEXT, INFO_BOX);
    ExitProcess(EXIT_REFUSED);
  }

  const bool silent = cmd.silent;
  std::optional<PixelPoint> window_pos;
  if (cmd.window_pos) window_pos = PixelPoint{cmd.window_pos->x, cmd.window_pos->y};
  const bool resumed = cmd.resume;
  StartupContext context =
      gather_startup_context(std::move(cmd), system_probes(resumed), system_folder_services());
  context.payload_blob = find_embedded_payload();
  log.note(settled_options_text(context));
  phase::mark("start-up done");
  if (silent) {
    int code = run_silent(std::move(context), log);
    phase::write_report();
    ExitProcess(static_cast<UINT>(code));
  }

  run_window(make_setup_app(std::move(context), log), window_pos, WINDOW_CLASS_NAME);
  // The pages' failure texts were logged as they were shown.
  const int code = g_process_exit_code.load();
  log.finished(code, {});
  phase::write_report();
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace
}  // namespace vl

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { vl::run_setup(); }
