#include "setup_app/setup_app.h"

#include "product/product.h"
#include "setup_app/job_rules.h"
#include "sys/paths.h"
#include "sys/phase_times.h"
#include "sys/text.h"
#include "ui/frame_context.h"
#include "wizard/strings.h"
#include "wizard/wizard.h"

namespace vl {

namespace {


bool is_pre_install_page(PageKind kind) {
  return kind == PageKind::Welcome || kind == PageKind::Settings;
}

}  // namespace

std::string install_dir_from_picked(std::string_view folder) {
  if (iequals_ascii(file_name_of(folder), PRODUCT_NAME)) return std::string(folder);
  return join_path(folder, PRODUCT_NAME);
}

SetupApp::SetupApp(StartupContext context, std::unique_ptr<ControllerPlatform> platform,
                   std::atomic<int>& exit_code, InstallLog* log)
    : command_line_(std::move(context.command_line)),
      payload_blob_(context.payload_blob),
      shared_(std::make_shared<SharedProgress>()),
      platform_(std::move(platform)),
      exit_code_(exit_code),
      log_(log) {
  state_.installed = std::move(context.installed);
  state_.options = std::move(context.options);
  state_.passive = command_line_.passive;
  state_.elevated = platform_->is_elevated();
  auto_start_ = command_line_.passive || command_line_.resume;
  state_.page = Page{auto_start_ ? PageKind::Progress : PageKind::Welcome, {}};
  // Entered now: the frame clock starts with the window, made right after the controller.
  state_.page_entered_at = 0.0;
  // What the progress page plans for before an installation has started; asked once, since
  // building a job reads the registry.
  state_.planned_steps = install_steps(platform_->build_job(current_context()));
}

StartupContext SetupApp::current_context() const {
  return StartupContext{command_line_, state_.options, state_.installed, payload_blob_};
}

std::string SetupApp::app_path() const {
  return join_path(state_.options.install_dir, APPLICATION_FILE_NAME);
}

void SetupApp::set_page(Page page, double now) {
  if (page == state_.page) return;
  state_.page = std::move(page);
  state_.page_entered_at = now;
}

// ---- WindowApp -----------------------------------------------------------------------------

std::string SetupApp::title() { return std::string(INSTALLER_NAME); }

void SetupApp::on_created(WindowControl& control) {
  if (auto_start_) start_install(control);
}

SizeF SetupApp::window_size() { return wizard_window_size(); }

float SetupApp::drag_height() { return state_.header_height; }

std::vector<TextStyle> SetupApp::text_styles() { return wizard_text_styles(); }

void SetupApp::paint(FrameContext& frame) {
  // The pages stamp the entry times. A new attempt's bar starts from 0 instead of running
  // back from where the last attempt stopped.
  if (reset_progress_animation_) {
    restart_progress_animation(frame);
    reset_progress_animation_ = false;
  }
  ProgressSnapshot progress;
  {
    LockGuard lock(shared_->mutex);
    progress.step = shared_->step;
    progress.fraction = shared_->fraction;
    progress.detail = shared_->detail;
  }
  paint_wizard(frame, state_, progress);
}

void SetupApp::on_action(uint32_t id, WindowControl& control) {
  if (state_.app_running_prompt) {
    if (id == ACTION_CLOSE_APP_CONTINUE) close_app_and_continue(control);
    if (id == ACTION_CANCEL_APP_RUNNING) state_.app_running_prompt = false;
    return;
  }
  const PageKind page = state_.page.kind;
  switch (id) {
    case ACTION_PRIMARY:
      if (is_pre_install_page(page)) start_install(control);
      if (page == PageKind::Done) finish(control);
      break;
    case ACTION_CHANGE:
      if (page == PageKind::Welcome) set_page(Page{PageKind::Settings, {}}, control.clock_time());
      break;
    case ACTION_TOGGLE_DESKTOP:
      state_.options.desktop_shortcut = !state_.options.desktop_shortcut;
      break;
    case ACTION_TOGGLE_LEGACY:
      state_.options.remove_legacy = !state_.options.remove_legacy;
      break;
    case ACTION_SCOPE_ALL_USERS:
    case ACTION_SCOPE_CURRENT_USER:
      if (page == PageKind::Settings) {
        choose_scope(id == ACTION_SCOPE_ALL_USERS ? InstallScope::AllUsers
                                                  : InstallScope::CurrentUser);
      }
      break;
    case ACTION_BROWSE:
      if (page == PageKind::Settings) browse(control);
      break;
    case ACTION_BACK:
      if (page == PageKind::Settings) {
        state_.error_text.reset();
        set_page(Page{PageKind::Welcome, {}}, control.clock_time());
      }
      break;
    case ACTION_TOGGLE_LAUNCH:
      state_.launch_on_finish = !state_.launch_on_finish;
      break;
    case ACTION_RETRY:
      if (page == PageKind::Error) {
        state_.busy = false;
        const Page before = state_.page;
        start_install(control);
        // A retry that fails the same way at once (a passive run's bad payload) leaves an
        // equal page: it enters again, so the badge and the text show that it ran.
        if (state_.page == before) state_.page_entered_at = control.clock_time();
      }
      break;
    case ACTION_CLOSE:
      // The failure's exit code stays.
      if (page == PageKind::Error) control.request_close();
      break;
    case ACTION_UNINSTALL:
      // Never while an elevated copy may be installing into the same folder.
      if (page == PageKind::Welcome && !state_.busy) start_uninstaller(control);
      break;
    default:
      break;
  }
}

void SetupApp::on_close(WindowControl& control) {
  if (state_.app_running_prompt) {
    state_.app_running_prompt = false;
    return;
  }
  const PageKind page = state_.page.kind;
  if (state_.busy && (is_pre_install_page(page) || page == PageKind::Progress)) return;
  if (page != PageKind::Done) exit_code_.exchange(EXIT_REFUSED);
  control.request_close();
}

std::optional<uint32_t> SetupApp::default_action() {
  if (state_.app_running_prompt) return ACTION_CLOSE_APP_CONTINUE;
  switch (state_.page.kind) {
    case PageKind::Welcome:
    case PageKind::Settings:
    case PageKind::Done:
      return ACTION_PRIMARY;
    case PageKind::Error:
      return ACTION_RETRY;
    case PageKind::Progress:
      break;
  }
  return std::nullopt;
}

void SetupApp::on_app_message(WindowControl& control) {
  std::optional<Status> result;
  std::optional<ElevationOutcome> elevation;
  bool hide = false;
  {
    LockGuard lock(shared_->mutex);
    control.set_taskbar_progress(state_.busy, shared_->fraction);
    result = std::exchange(shared_->result, std::nullopt);
    hide = std::exchange(shared_->hide_window, false);
    elevation = std::exchange(shared_->elevation, std::nullopt);
  }
  if (hide) platform_->hide_window(control);
  if (elevation) handle_elevation(*elevation, control);
  if (result) handle_result(*result, control);
  if (elevation || result) control.request_frame();
}

// ---- operations ----------------------------------------------------------------------------

void SetupApp::refuse_start(std::string_view text, int exit_code, WindowControl& control) {
  if (log_) log_->failure(text);
  if (auto_start_) {
    // A passive or resumed run has no page to show a notice on: it ends on Error.
    exit_code_.exchange(exit_code);
    set_page(Page{PageKind::Error, std::string(text)}, control.clock_time());
    platform_->show_window(control);
  } else {
    state_.error_text = std::string(text);
  }
}

void SetupApp::start_install(WindowControl& control) {
  // The disabled button is not the only way in: a second Enter, Space on the focused button or
  // a quick second click would start a second worker or a second elevated copy.
  if (state_.busy) return;
  state_.error_text.reset();

  if (!check_payload_header(payload_blob_)) {
    refuse_start(TEXT_NO_PAYLOAD, EXIT_INSTALL_FAILED, control);
    return;
  }

  if (!auto_start_ && !state_.app_running_prompt && !platform_->find_processes(app_path()).empty()) {
    state_.app_running_prompt = true;
    state_.app_running_prompt_at = control.clock_time();
    return;
  }
  state_.app_running_prompt = false;

  const InstallPlace place =
      install_place(state_.options.scope, platform_->is_elevated(), command_line_.resume);
  if (place == InstallPlace::Refused) {
    refuse_start(TEXT_PER_USER_ELEVATED, EXIT_REFUSED, control);
    return;
  }
  const StartupContext context = current_context();
  shared_->reset();
  if (place == InstallPlace::InProcess) {
    InstallJob job = platform_->build_job(context);
    state_.step_list = install_steps(job);
    state_.shown_progress = 0.0f;
    reset_progress_animation_ = true;
    state_.busy = true;
    set_page(Page{PageKind::Progress, {}}, control.clock_time());
    platform_->start_worker(std::move(job), payload_blob_, shared_, control);
    return;
  }
  std::string arguments =
      build_resume_arguments(resume_state(context), platform_->window_position(control));
  if (log_) log_->relaunching(arguments);
  state_.busy = true;
  platform_->start_elevation(std::move(arguments), shared_, control);
}

void SetupApp::close_app_and_continue(WindowControl& control) {
  // The application is not ended here: Prepare asks it to close and ends it after its grace
  // period, once the payload's every byte is checked, so a damaged download leaves it running.
  start_install(control);  // the prompt is still open: no second look; it closes there
}

void SetupApp::choose_scope(InstallScope scope) {
  if (scope == state_.options.scope) return;
  state_.options.scope = scope;
  state_.error_text.reset();
  if (!state_.options.dir_customized) {
    state_.options.install_dir = platform_->default_install_dir(scope);
  }
}

void SetupApp::browse(WindowControl& control) {
  std::optional<std::string> picked = platform_->pick_folder(control, state_.options.install_dir);
  if (!picked) return;
  state_.options.install_dir = install_dir_from_picked(*picked);
  state_.options.dir_customized = true;
}

void SetupApp::finish(WindowControl& control) {
  if (state_.launch_on_finish) platform_->launch_application(app_path(), "");
  exit_code_.exchange(EXIT_SUCCESS_CODE);
  control.request_close();
}

void SetupApp::start_uninstaller(WindowControl& control) {
  if (!state_.installed.existing) return;
  platform_->run_command(join_path(state_.installed.existing->location, UNINSTALLER_FILE_NAME), "");
  exit_code_.exchange(EXIT_SUCCESS_CODE);
  control.request_close();
}

void SetupApp::handle_elevation(const ElevationOutcome& outcome, WindowControl& control) {
  state_.busy = false;
  if (outcome.kind == ElevationOutcome::Kind::Finished) {
    exit_code_.exchange(static_cast<int>(outcome.exit_code));
    control.request_close();
    return;
  }
  std::string failure = outcome.kind == ElevationOutcome::Kind::Declined
                            ? std::string(TEXT_ELEVATION_DECLINED)
                            : outcome.message;
  if (log_) log_->failure(failure);
  platform_->show_window(control);
  if (state_.passive) {
    if (command_line_.run_after) platform_->launch_application(app_path(), command_line_.app_arguments);
    exit_code_.exchange(EXIT_REFUSED);
    control.request_close();
    return;
  }
  state_.error_text = std::move(failure);
  set_page(
      Page{state_.page.kind == PageKind::Settings ? PageKind::Settings : PageKind::Welcome, {}},
      control.clock_time());
}

void SetupApp::handle_result(const Status& result, WindowControl& control) {
  phase::mark("install result");
  state_.busy = false;
  control.set_taskbar_progress(false, 0.0f);
  if (result) {
    exit_code_.exchange(EXIT_SUCCESS_CODE);
    if (state_.passive) {
      if (command_line_.run_after) platform_->launch_application(app_path(), command_line_.app_arguments);
      state_.launch_on_finish = false;
      // By the clock: a minimised window draws no frames to count the dwell with.
      control.request_close_after(PASSIVE_CLOSE_SECONDS);
    }
    set_page(Page{PageKind::Done, {}}, control.clock_time());
    return;
  }
  exit_code_.exchange(EXIT_INSTALL_FAILED);
  if (log_) log_->failure(result.error());
  set_page(Page{PageKind::Error, result.error()}, control.clock_time());
  platform_->show_window(control);
}

}  // namespace vl
