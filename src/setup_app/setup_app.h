#pragma once
// SetupApp, the controller of the windowed run: the window host drives it as its WindowApp. It
// owns the wizard's state, performs what the pages' actions ask (start the installation, open
// and answer the app-running prompt, choose scope and folder, finish, start the uninstaller),
// applies the close rules, and turns the worker's and the elevation thread's reports into page
// changes. What it needs from the operating system goes through ControllerPlatform, so every
// rule here runs natively; the product's platform is made by make_setup_app (Win32).
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_job.h"
#include "install/run_log.h"
#include "setup_app/shared_progress.h"
#include "setup_app/startup_context.h"
#include "ui/window_app.h"
#include "wizard/wizard.h"

namespace vl {

// The operating system as the controller sees it. Calls come from the window thread; the two
// thread starters hand `shared` to a new thread that writes into it and notifies the window
// after every write.
class ControllerPlatform {
 public:
  virtual ~ControllerPlatform() = default;

  virtual bool is_elevated() = 0;
  // Ids of the processes running the executable at `image_path`.
  virtual std::vector<uint32_t> find_processes(const std::string& image_path) = 0;
  // The job from the state as the pages have changed it (reads the registry).
  virtual InstallJob build_job(const StartupContext& state) = 0;
  virtual std::string default_install_dir(InstallScope scope) = 0;

  // The worker thread: COM, the header check, run_install, the result.
  virtual void start_worker(InstallJob job, std::span<const uint8_t> payload_blob,
                            std::shared_ptr<SharedProgress> shared, WindowControl& window) = 0;
  // The elevation thread: "runas" with `arguments`, the hide request once the copy runs, the
  // outcome.
  virtual void start_elevation(std::string arguments, std::shared_ptr<SharedProgress> shared,
                               WindowControl& window) = 0;

  // The window's top-left corner in screen pixels, when it can be read.
  virtual std::optional<WindowPos> window_position(WindowControl& window) = 0;
  virtual void hide_window(WindowControl& window) = 0;
  // Shows the window and brings it to the foreground.
  virtual void show_window(WindowControl& window) = 0;

  virtual void launch_application(const std::string& program, const std::string& arguments) = 0;
  // Starts a program without waiting, never with more rights than the user's own: an elevated
  // run hands it to the desktop shell (the installed uninstaller may be the user's to swap).
  virtual void run_command(const std::string& program, const std::string& arguments) = 0;
  // The system folder picker seeded with `current`; none when cancelled or failed.
  virtual std::optional<std::string> pick_folder(WindowControl& window,
                                                 const std::string& current) = 0;
};

class SetupApp final : public WindowApp {
 public:
  // The first page is Progress for a passive or resumed run, else Welcome. `exit_code` is the
  // process exit code the run ends with. `log`, when given, receives the relaunch and every
  // failure text the pages show, as they happen; it must outlive the controller.
  SetupApp(StartupContext context, std::unique_ptr<ControllerPlatform> platform,
           std::atomic<int>& exit_code, InstallLog* log = nullptr);

  std::string title() override;
  void on_created(WindowControl& control) override;
  SizeF window_size() override;
  float drag_height() override;
  void paint(FrameContext& frame) override;
  void on_action(uint32_t id, WindowControl& control) override;
  void on_app_message(WindowControl& control) override;
  void on_close(WindowControl& control) override;
  std::optional<uint32_t> default_action() override;
  std::vector<TextStyle> text_styles() override;

  // Changes the page, entered at `now` on the frame clock (WindowControl::clock_time; unset:
  // the next frame stamps its own time). An equal page (for Error, the same text) changes
  // nothing, so the entry animation does not start again.
  void set_page(Page page, double now = PAGE_TIME_UNSET);

  // The wizard state, for tests and the gallery to put the controller into any page state.
  WizardState& state() { return state_; }
  const WizardState& state() const { return state_; }
  SharedProgress& shared() { return *shared_; }

 private:
  void start_install(WindowControl& control);
  // A start that cannot go ahead: the notice on the page, or, in a passive or resumed run, the
  // Error page with `exit_code`; logged either way.
  void refuse_start(std::string_view text, int exit_code, WindowControl& control);
  void close_app_and_continue(WindowControl& control);
  void choose_scope(InstallScope scope);
  void browse(WindowControl& control);
  void finish(WindowControl& control);
  void start_uninstaller(WindowControl& control);
  void handle_elevation(const ElevationOutcome& outcome, WindowControl& control);
  void handle_result(const Status& result, WindowControl& control);
  StartupContext current_context() const;
  std::string app_path() const;

  CommandLine command_line_;
  std::span<const uint8_t> payload_blob_;
  WizardState state_;
  bool auto_start_ = false;
  bool reset_progress_animation_ = false;  // ANIM_PROGRESS goes back to 0 on the next frame
  std::shared_ptr<SharedProgress> shared_;
  std::unique_ptr<ControllerPlatform> platform_;
  std::atomic<int>& exit_code_;
  InstallLog* log_;
};

// The product's controller for a start-up context: SetupApp on the Win32 platform, whose worker
// adds each step's duration to `log`. (Win32.)
std::unique_ptr<WindowApp> make_setup_app(StartupContext context, InstallLog& log);

// The folder a picked folder becomes: itself when its last component is "Verilune" (ASCII
// case-insensitive), else that folder joined with "Verilune".
std::string install_dir_from_picked(std::string_view folder);

}  // namespace vl
