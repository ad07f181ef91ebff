// The controller's Win32 side: the worker and elevation threads, the window calls, the folder
// picker, and the product's SetupApp built over them.
#include <windows.h>
#include <shobjidl.h>

#include <memory>

#include "gfx/embedded_image_win.h"
#include "install/install_job.h"
#include "install/run_install.h"
#include "install/run_log_win.h"
#include "install/running_app_win.h"
#include "setup_app/detect_installed_win.h"
#include "setup_app/job_rules_win.h"
#include "setup_app/process_exit_code.h"
#include "setup_app/setup_app.h"
#include "sys/com_win.h"
#include "sys/elevation_win.h"
#include "sys/paths.h"
#include "sys/phase_times.h"
#include "sys/processes_win.h"
#include "sys/program_launch_win.h"
#include "sys/system_dll_win.h"
#include "sys/text_win.h"
#include "sys/threads.h"
#include "sys/unique_handle_win.h"
#include "ui/run_window.h"

namespace vl {
namespace {

HWND hwnd_of(WindowControl& window) { return static_cast<HWND>(window.window_handle()); }

// What a thread needs to tell the window that the record changed; a failed post is ignored.
std::function<void()> notifier(HWND window) {
  return [window] { ::PostMessageW(window, WM_APP_NOTIFY, 0, 0); };
}

// Starts a thread running `body` on its own: the body owns everything it uses.
void start_detached(std::function<void()> body) {
  Thread thread;
  thread.start(std::move(body));
  thread.detach();
}

Status run_worker(const InstallJob& job, std::span<const uint8_t> blob, ProgressSink& sink,
                  InstallLog& log) {
  ComApartment com;
  if (FAILED(com.result()) && com.result() != RPC_E_CHANGED_MODE) {
    return fail(hresult_message(com.result()));
  }
  Result<Payload> payload = check_payload_header(blob);
  if (!payload) return payload.failure();
  StepLog steps(sink, log, log_clock_ms);
  Status status = run_guarded([&] { return run_install(job, *payload, steps); });
  steps.finish();
  return status;
}

bool is_directory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(to_wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The folder itself when it exists, else its nearest existing ancestor.
std::optional<std::string> nearest_existing_folder(std::string path) {
  while (!path.empty()) {
    if (is_directory(path)) return path;
    std::string parent = parent_folder(path);
    if (parent.empty() || parent == path) break;
    path = std::move(parent);
  }
  return std::nullopt;
}

class WinControllerPlatform final : public ControllerPlatform {
 public:
  explicit WinControllerPlatform(InstallLog& log) : log_(log) {}

  bool is_elevated() override { return is_process_elevated(); }

  std::vector<uint32_t> find_processes(const std::string& image_path) override {
    return find_processes_by_image(image_path);
  }

  InstallJob build_job(const StartupContext& state) override { return build_install_job(state); }

  std::string default_install_dir(InstallScope scope) override {
    return vl::default_install_dir(scope, system_folder_services());
  }

  void start_worker(InstallJob job, std::span<const uint8_t> payload_blob,
                    std::shared_ptr<SharedProgress> shared, WindowControl& window) override {
    const HWND hwnd = hwnd_of(window);
    start_detached(
        [job = std::move(job), payload_blob, shared = std::move(shared), hwnd, &log = log_] {
          const std::function<void()> notify = notifier(hwnd);
          SharedProgressSink sink(*shared, notify);
          publish_result(*shared, run_worker(job, payload_blob, sink, log), notify);
        });
  }

  void start_elevation(std::string arguments, std::shared_ptr<SharedProgress> shared,
                       WindowControl& window) override {
    const HWND hwnd = hwnd_of(window);
    start_detached([arguments = std::move(arguments), path = own_module_path(),
                    shared = std::move(shared), hwnd] {
      const std::function<void()> notify = notifier(hwnd);
      ElevationOutcome outcome = relaunch_elevated(path, arguments, hwnd,
                                                   [&] { publish_hide_request(*shared, notify); });
      publish_elevation(*shared, std::move(outcome), notify);
    });
  }

  std::optional<WindowPos> window_position(WindowControl& window) override {
    RECT rect{};
    if (!::GetWindowRect(hwnd_of(window), &rect)) return std::nullopt;
    return WindowPos{rect.left, rect.top};
  }

  void hide_window(WindowControl& window) override { ::ShowWindow(hwnd_of(window), SW_HIDE); }

  void show_window(WindowControl& window) override {
    ::ShowWindow(hwnd_of(window), SW_SHOW);
    ::SetForegroundWindow(hwnd_of(window));
  }

  void launch_application(const std::string& program, const std::string& arguments) override {
    vl::launch_application(program, arguments);
  }

  void run_command(const std::string& program, const std::string& arguments) override {
    vl::launch_application(program, arguments);  // through the shell when elevated
  }

  std::optional<std::string> pick_folder(WindowControl& window,
                                         const std::string& current) override {
    ensure_main_thread_com();
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IFileOpenDialog), dialog.put_void())) ||
        !dialog) {
      return std::nullopt;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options)) ||
        FAILED(dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM))) {
      return std::nullopt;
    }
    if (std::optional<std::string> start = nearest_existing_folder(current)) {
      ComPtr<IShellItem> folder;
      if (SUCCEEDED(::SHCreateItemFromParsingName(to_wide(*start).c_str(), nullptr,
                                                  __uuidof(IShellItem), folder.put_void())) &&
          folder) {
        dialog->SetFolder(folder.get());  // a failure leaves the dialog's own start
      }
    }
    if (FAILED(dialog->Show(hwnd_of(window)))) return std::nullopt;  // cancelled too
    ComPtr<IShellItem> result;
    if (FAILED(dialog->GetResult(result.put())) || !result) return std::nullopt;
    UniqueCoTaskMem<wchar_t> path;
    if (FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, path.put())) || !path) return std::nullopt;
    return from_wide(path.get());
  }

 private:
  InstallLog& log_;
};

}  // namespace

std::unique_ptr<WindowApp> make_setup_app(StartupContext context, InstallLog& log) {
  auto app = std::make_unique<SetupApp>(std::move(context),
                                        std::make_unique<WinControllerPlatform>(log),
                                        g_process_exit_code, &log);
  app->state().logo = embedded_logo();
  phase::mark("controller made");
  return app;
}

}  // namespace vl
