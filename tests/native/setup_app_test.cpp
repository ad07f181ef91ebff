// The controller's rules over a recording platform: how an installation starts, what the
// threads' reports do to the wizard, the dispatch table with the close rules, and the shared
// record's sink.
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "setup_app/setup_app.h"

namespace vl {
namespace {

// What the controller asked of the platform.
struct PlatformLog {
  bool elevated = false;
  bool app_running = false;
  int workers = 0;
  int elevations = 0;
  std::string elevation_arguments;
  int hidden = 0;
  int shown = 0;
  std::vector<std::string> launches;  // "program|arguments"
  std::vector<std::string> commands;
  std::optional<std::string> picked;
};

class RecordingPlatform final : public ControllerPlatform {
 public:
  explicit RecordingPlatform(PlatformLog& log) : log_(log) {}
  bool is_elevated() override { return log_.elevated; }
  std::vector<uint32_t> find_processes(const std::string&) override {
    return log_.app_running ? std::vector<uint32_t>{42} : std::vector<uint32_t>{};
  }
  InstallJob build_job(const StartupContext& state) override {
    InstallJob job;
    job.install_dir = state.options.install_dir;
    job.scope = state.options.scope;
    return job;
  }
  std::string default_install_dir(InstallScope scope) override {
    return scope == InstallScope::AllUsers ? "C:\\Program Files (x86)\\Verilune"
                                           : "C:\\Local\\Verilune";
  }
  void start_worker(InstallJob, std::span<const uint8_t>, std::shared_ptr<SharedProgress>,
                    WindowControl&) override {
    ++log_.workers;
  }
  void start_elevation(std::string arguments, std::shared_ptr<SharedProgress>,
                       WindowControl&) override {
    ++log_.elevations;
    log_.elevation_arguments = std::move(arguments);
  }
  std::optional<WindowPos> window_position(WindowControl&) override { return WindowPos{120, -7}; }
  void hide_window(WindowControl&) override { ++log_.hidden; }
  void show_window(WindowControl&) override { ++log_.shown; }
  void launch_application(const std::string& program, const std::string& arguments) override {
    log_.launches.push_back(program + "|" + arguments);
  }
  void run_command(const std::string& program, const std::string&) override {
    log_.commands.push_back(program);
  }
  std::optional<std::string> pick_folder(WindowControl&, const std::string&) override {
    return log_.picked;
  }

 private:
  PlatformLog& log_;
};

class TestControl final : public WindowControl {
 public:
  void set_taskbar_progress(bool active, float fraction) override {
    taskbar.push_back(active ? fraction : -1.0f);
  }
  void* window_handle() const override { return nullptr; }
  double clock_time() const override { return now; }
  std::vector<float> taskbar;  // -1: no progress shown
  double now = 0.0;            // the frame clock's reading
};

// The /LOG= file's lines.
struct LinesSink final : LogSink {
  void write_line(std::string_view line) override { lines.emplace_back(line); }
  size_t count_starting(std::string_view prefix) const {
    size_t n = 0;
    for (const std::string& line : lines) n += line.starts_with(prefix) ? 1 : 0;
    return n;
  }
  std::vector<std::string> lines;
};

constexpr std::array<uint8_t, 20> VALID_HEADER = {'V', 'L', 'P', 'L', 1};

struct RunSetup {
  InstallScope scope = InstallScope::CurrentUser;
  bool passive = false;
  bool resume = false;
  bool run_after = false;
  bool payload = true;
  std::optional<ExistingInstall> existing;
};

struct Harness {
  PlatformLog log;
  LinesSink file;
  InstallLog install_log{&file, nullptr};
  std::atomic<int> exit_code{1};
  TestControl control;
  std::unique_ptr<SetupApp> app;

  explicit Harness(const RunSetup& s = {}) {
    StartupContext context;
    context.command_line.passive = s.passive;
    context.command_line.resume = s.resume;
    context.command_line.run_after = s.run_after;
    context.command_line.app_arguments = "x";
    context.options.scope = s.scope;
    context.options.install_dir = "C:\\Apps\\Verilune";
    context.installed.existing = s.existing;
    if (s.payload) context.payload_blob = VALID_HEADER;
    app = std::make_unique<SetupApp>(context, std::make_unique<RecordingPlatform>(log), exit_code,
                                     &install_log);
  }
  WizardState& state() { return app->state(); }
};

Page page(PageKind kind, std::string message = {}) { return Page{kind, std::move(message)}; }

// ---- start_install --------------------------------------------------------------------------

TEST(StartInstall, Paths) {
  struct Case {
    const char* scenario;
    RunSetup setup;
    bool app_running;
    bool elevated;
    bool busy;
    PageKind expected_page;
    bool expected_prompt;
    int workers;
    int elevations;
    bool expected_notice;
  };
  const Case cases[] = {
      {"per user: worker and Progress", {}, false, false, false, PageKind::Progress, false, 1, 0,
       false},
      {"all users, elevated: worker", {InstallScope::AllUsers}, false, true, false,
       PageKind::Progress, false, 1, 0, false},
      {"all users, not elevated: relaunch, page stays", {InstallScope::AllUsers}, false, false,
       false, PageKind::Welcome, false, 0, 1, false},
      {"application running: prompt only", {}, true, false, false, PageKind::Welcome, true, 0, 0,
       false},
      {"busy: nothing starts", {}, false, false, true, PageKind::Welcome, false, 0, 0, false},
      {"busy relaunch: no second copy", {InstallScope::AllUsers}, false, false, true,
       PageKind::Welcome, false, 0, 0, false},
      {"no payload: notice, nothing starts", {.payload = false}, false, false, false,
       PageKind::Welcome, false, 0, 0, true},
      {"passive ignores the running application", {.passive = true}, true, false, false,
       PageKind::Progress, false, 1, 0, false},
      {"resumed without payload ends on Error", {.resume = true, .payload = false}, false, false,
       false, PageKind::Error, false, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    Harness h(c.setup);
    h.log.app_running = c.app_running;
    h.log.elevated = c.elevated;
    h.state().busy = c.busy;
    if (c.setup.passive || c.setup.resume) {
      h.app->on_created(h.control);
    } else {
      h.app->on_action(ACTION_PRIMARY, h.control);
    }
    EXPECT_EQ(h.state().page.kind, c.expected_page);
    EXPECT_EQ(h.state().app_running_prompt, c.expected_prompt);
    EXPECT_EQ(h.log.workers, c.workers);
    EXPECT_EQ(h.log.elevations, c.elevations);
    EXPECT_EQ(h.state().error_text.has_value(), c.expected_notice);
    EXPECT_EQ(h.state().busy, c.busy || c.workers + c.elevations > 0);
  }
}

TEST(StartInstall, RelaunchCarriesTheChoicesAndTheWindowCorner) {
  Harness h({InstallScope::AllUsers});
  h.state().options.desktop_shortcut = false;
  h.app->on_action(ACTION_PRIMARY, h.control);
  const std::string& args = h.log.elevation_arguments;
  EXPECT_NE(args.find("--vl-resume"), std::string::npos) << args;
  EXPECT_NE(args.find("--vl-desktop=0"), std::string::npos) << args;
  EXPECT_NE(args.find("--vl-pos=120,-7"), std::string::npos) << args;
  EXPECT_EQ(h.file.lines, std::vector<std::string>{"relaunching elevated: " + args});
}

TEST(StartInstall, ResumedPayloadFailureIsAFailedRun) {
  Harness h({.resume = true, .payload = false});
  h.app->on_created(h.control);
  EXPECT_EQ(h.state().page, page(PageKind::Error, std::string(TEXT_NO_PAYLOAD)));
  EXPECT_EQ(h.exit_code.load(), 2);
}

TEST(StartInstall, ARetryThatFailsAlikeEntersItsPageAgain) {
  Harness h({.passive = true, .payload = false});
  h.app->on_created(h.control);
  ASSERT_EQ(h.state().page.kind, PageKind::Error);
  h.control.now = 7.5;
  h.app->on_action(ACTION_RETRY, h.control);
  EXPECT_EQ(h.state().page, page(PageKind::Error, std::string(TEXT_NO_PAYLOAD)));
  EXPECT_EQ(h.state().page_entered_at, 7.5);  // the badge and the text run again
}

TEST(StartInstall, CloseAndContinueLeavesTheApplicationToThePipelineAndInstallsWithoutAskingAgain) {
  Harness h;
  h.log.app_running = true;
  h.app->on_action(ACTION_PRIMARY, h.control);
  ASSERT_TRUE(h.state().app_running_prompt);
  h.app->on_action(ACTION_CLOSE_APP_CONTINUE, h.control);
  EXPECT_EQ(h.log.workers, 1);
  EXPECT_FALSE(h.state().app_running_prompt);
  EXPECT_EQ(h.state().page.kind, PageKind::Progress);
}

TEST(StartInstall, RetryStartsAFreshAttemptFromZero) {
  Harness h;
  h.state().page = page(PageKind::Error, "boom");
  h.state().shown_progress = 0.8f;
  {
    std::lock_guard lock(h.app->shared().mutex);
    h.app->shared().fraction = 0.8f;
    h.app->shared().step = 3;
  }
  h.app->on_action(ACTION_RETRY, h.control);
  EXPECT_EQ(h.log.workers, 1);
  EXPECT_EQ(h.state().shown_progress, 0.0f);
  EXPECT_EQ(h.app->shared().fraction, 0.0f);
  EXPECT_EQ(h.app->shared().step, NO_STEP_YET);
}

// ---- on_app_message ----------------------------------------------------------------------

TEST(AppMessage, Outcomes) {
  struct Case {
    const char* scenario;
    RunSetup setup;
    PageKind start_page;
    std::optional<Status> result;
    std::optional<ElevationOutcome> elevation;
    bool hide;
    PageKind expected_page;
    int expected_exit;
    bool expected_close;
    std::vector<std::string> expected_launches;
    int shown;
    int hidden;
    bool expected_notice;
    size_t failures_logged;
  };
  const std::string app = "C:\\Apps\\Verilune\\verilune.exe";
  const Case cases[] = {
      {"success goes to Done", {}, PageKind::Progress, Status::success(), {}, false,
       PageKind::Done, 0, false, {}, 0, 0, false, 0},
      {"passive success with /R starts the app with its arguments", {.passive = true, .run_after = true},
       PageKind::Progress, Status::success(), {}, false, PageKind::Done, 0, false, {app + "|x"},
       0, 0, false, 0},
      {"failure goes to Error and shows the window", {}, PageKind::Progress, fail("disk full"),
       {}, false, PageKind::Error, 2, false, {}, 1, 0, false, 1},
      {"the copy started: hide", {InstallScope::AllUsers}, PageKind::Welcome, {}, {}, true,
       PageKind::Welcome, 1, false, {}, 0, 1, false, 0},
      {"the copy finished: its code, close", {InstallScope::AllUsers}, PageKind::Welcome, {},
       ElevationOutcome::finished(7), false, PageKind::Welcome, 7, true, {}, 0, 0, false, 0},
      {"declined on Settings: stays, notice", {InstallScope::AllUsers}, PageKind::Settings, {},
       ElevationOutcome::declined(), false, PageKind::Settings, 1, false, {}, 1, 0, true, 1},
      {"failed on Welcome: stays, notice", {InstallScope::AllUsers}, PageKind::Welcome, {},
       ElevationOutcome::failed("no shell"), false, PageKind::Welcome, 1, false, {}, 1, 0, true, 1},
      {"passive declined with /R: app, exit 1, close", {InstallScope::AllUsers, true, false, true},
       PageKind::Progress, {}, ElevationOutcome::declined(), false, PageKind::Progress, 1, true,
       {app + "|x"}, 1, 0, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    Harness h(c.setup);
    h.state().page = page(c.start_page);
    h.state().busy = true;
    {
      std::lock_guard lock(h.app->shared().mutex);
      h.app->shared().result = c.result;
      h.app->shared().elevation = c.elevation;
      h.app->shared().hide_window = c.hide;
    }
    h.control.now = 5.0;
    h.app->on_app_message(h.control);
    EXPECT_EQ(h.state().page.kind, c.expected_page);
    // A new page is entered when it changes, not at its first frame.
    if (c.expected_page != c.start_page) EXPECT_EQ(h.state().page_entered_at, 5.0);
    // A passive run's Done page closes by the clock, drawn or not.
    const bool timed_close = c.setup.passive && c.result && c.result->ok();
    EXPECT_EQ(h.control.take_close_after().has_value(), timed_close);
    EXPECT_EQ(h.control.close_requested(), c.expected_close);
    EXPECT_EQ(h.log.launches, c.expected_launches);
    EXPECT_EQ(h.log.shown, c.shown);
    EXPECT_EQ(h.log.hidden, c.hidden);
    EXPECT_EQ(h.state().error_text.has_value(), c.expected_notice);
    EXPECT_EQ(h.file.count_starting("failure: "), c.failures_logged);
    EXPECT_EQ(h.state().busy, !c.result && !c.elevation);
    // An outcome changes what the window shows: drawn at once, not at the next paced frame.
    EXPECT_EQ(h.control.take_frame_request(), c.result || c.elevation);
    if (c.setup.passive && c.result) EXPECT_FALSE(h.state().launch_on_finish);
  }
}

TEST(AppMessage, TaskbarFollowsTheFractionWhileBusyAndClearsWithTheResult) {
  Harness h;
  h.app->on_action(ACTION_PRIMARY, h.control);
  SharedProgressSink sink(h.app->shared(), [] {});
  sink.report_progress(0.25f, "a");
  h.app->on_app_message(h.control);
  publish_result(h.app->shared(), Status::success(), [] {});
  h.app->on_app_message(h.control);
  EXPECT_EQ(h.control.taskbar, (std::vector<float>{0.25f, 0.25f, -1.0f}));
}

// ---- dispatch and close rules --------------------------------------------------------------

constexpr uint32_t CLOSE = 0;  // a close request instead of an action

TEST(Navigation, DispatchAndCloseRules) {
  struct Case {
    const char* scenario;
    PageKind page;
    bool prompt;
    bool busy;
    uint32_t event;
    PageKind expected_page;
    bool expected_prompt;
    bool expected_close;
    int expected_exit;
    size_t launches;
    size_t commands;
  };
  const Case cases[] = {
      {"Change opens Settings", PageKind::Welcome, false, false, ACTION_CHANGE, PageKind::Settings,
       false, false, 1, 0, 0},
      {"Back returns to Welcome", PageKind::Settings, false, false, ACTION_BACK, PageKind::Welcome,
       false, false, 1, 0, 0},
      {"Finish launches, exits 0", PageKind::Done, false, false, ACTION_PRIMARY, PageKind::Done,
       false, true, 0, 1, 0},
      {"Close on Error keeps the failure code", PageKind::Error, false, false, ACTION_CLOSE,
       PageKind::Error, false, true, 2, 0, 0},
      {"uninstall runs the uninstaller, exits 0", PageKind::Welcome, false, false,
       ACTION_UNINSTALL, PageKind::Welcome, false, true, 0, 0, 1},
      {"uninstall is ignored while busy", PageKind::Welcome, false, true, ACTION_UNINSTALL,
       PageKind::Welcome, false, false, 1, 0, 0},
      {"Cancel closes the prompt", PageKind::Settings, true, false, ACTION_CANCEL_APP_RUNNING,
       PageKind::Settings, false, false, 1, 0, 0},
      {"the prompt ignores the page's actions", PageKind::Welcome, true, false, ACTION_CHANGE,
       PageKind::Welcome, true, false, 1, 0, 0},
      {"close with the prompt closes the prompt", PageKind::Welcome, true, true, CLOSE,
       PageKind::Welcome, false, false, 1, 0, 0},
      {"close while busy on Progress is ignored", PageKind::Progress, false, true, CLOSE,
       PageKind::Progress, false, false, 1, 0, 0},
      {"close while a copy is awaited is ignored", PageKind::Settings, false, true, CLOSE,
       PageKind::Settings, false, false, 1, 0, 0},
      {"close on Welcome cancels with 1", PageKind::Welcome, false, false, CLOSE,
       PageKind::Welcome, false, true, 1, 0, 0},
      {"close on Error exits 1", PageKind::Error, false, false, CLOSE, PageKind::Error, false,
       true, 1, 0, 0},
      {"close on Done keeps success, launches nothing", PageKind::Done, false, false, CLOSE,
       PageKind::Done, false, true, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    Harness h({.existing = ExistingInstall{"C:\\Old"}});
    h.state().page = page(c.page);
    h.state().app_running_prompt = c.prompt;
    h.state().busy = c.busy;
    // The exit code a run on this page has already set.
    h.exit_code = c.page == PageKind::Done ? 0 : c.page == PageKind::Error ? 2 : 1;
    if (c.event == CLOSE) {
      h.app->on_close(h.control);
    } else {
      h.app->on_action(c.event, h.control);
    }
    EXPECT_EQ(h.state().page.kind, c.expected_page);
    EXPECT_EQ(h.state().app_running_prompt, c.expected_prompt);
    EXPECT_EQ(h.control.close_requested(), c.expected_close);
    EXPECT_EQ(h.exit_code.load(), c.expected_exit);
    EXPECT_EQ(h.log.launches.size(), c.launches);
    EXPECT_EQ(h.log.commands.size(), c.commands);
  }
}

TEST(Navigation, DefaultActionByPageAndPrompt) {
  struct Case {
    PageKind page;
    bool prompt;
    std::optional<uint32_t> expected;
  };
  const Case cases[] = {
      {PageKind::Welcome, false, ACTION_PRIMARY}, {PageKind::Progress, false, std::nullopt},
      {PageKind::Error, false, ACTION_RETRY},     {PageKind::Welcome, true, ACTION_CLOSE_APP_CONTINUE},
  };
  for (const Case& c : cases) {
    Harness h;
    h.state().page = page(c.page);
    h.state().app_running_prompt = c.prompt;
    EXPECT_EQ(h.app->default_action(), c.expected);
  }
}

TEST(Navigation, ScopeChangeMovesOnlyADefaultDirectory) {
  struct Case {
    bool customized;
    uint32_t action;
    std::string expected_dir;
  };
  const Case cases[] = {
      {false, ACTION_SCOPE_ALL_USERS, "C:\\Program Files (x86)\\Verilune"},
      {true, ACTION_SCOPE_ALL_USERS, "C:\\Apps\\Verilune"},
      {false, ACTION_SCOPE_CURRENT_USER, "C:\\Apps\\Verilune"},  // unchanged scope
  };
  for (const Case& c : cases) {
    Harness h;
    h.state().page = page(PageKind::Settings);
    h.state().options.dir_customized = c.customized;
    h.state().error_text = "old notice";
    h.app->on_action(c.action, h.control);
    EXPECT_EQ(h.state().options.install_dir, c.expected_dir);
    EXPECT_EQ(h.state().error_text.has_value(), c.action == ACTION_SCOPE_CURRENT_USER);
  }
}

TEST(Navigation, PickedFolderGetsTheProductFolderOnce) {
  EXPECT_EQ(install_dir_from_picked("D:\\Tools"), "D:\\Tools\\Verilune");
  EXPECT_EQ(install_dir_from_picked("D:\\Tools\\VERILUNE"), "D:\\Tools\\VERILUNE");
  EXPECT_EQ(install_dir_from_picked("D:\\"), "D:\\Verilune");
  Harness h;
  h.state().page = page(PageKind::Settings);
  h.log.picked = "D:\\Tools";
  h.app->on_action(ACTION_BROWSE, h.control);
  EXPECT_TRUE(h.state().options.dir_customized);
  EXPECT_EQ(h.state().options.install_dir, "D:\\Tools\\Verilune");
}

TEST(SetPage, AnEqualPageKeepsItsEntryTime) {
  Harness h;
  h.app->set_page(page(PageKind::Error, "boom"));
  h.state().page_entered_at = 3.0;
  h.app->set_page(page(PageKind::Error, "boom"));
  EXPECT_EQ(h.state().page_entered_at, 3.0);
  h.app->set_page(page(PageKind::Error, "other"));
  EXPECT_EQ(h.state().page_entered_at, PAGE_TIME_UNSET);
}

// ---- the shared record ---------------------------------------------------------------------

TEST(SharedRecord, EveryReportNotifiesAndTheLatestValuesStay) {
  SharedProgress shared;
  int notifications = 0;
  SharedProgressSink sink(shared, [&] { ++notifications; });
  sink.step_started(InstallStep::CopyFiles);
  sink.report_progress(0.2f, "a.dll");
  sink.report_progress(0.3f, "");
  EXPECT_EQ(notifications, 3);
  EXPECT_EQ(shared.step, static_cast<uint8_t>(InstallStep::CopyFiles));
  EXPECT_EQ(shared.fraction, 0.3f);
  EXPECT_EQ(shared.detail, "");
}

TEST(SharedRecord, AnExceptionFromThePipelineIsAFailure) {
  const Status thrown = run_guarded([]() -> Status { throw std::runtime_error("bad_alloc"); });
  ASSERT_FALSE(thrown.ok());
  EXPECT_NE(thrown.error().find("bad_alloc"), std::string::npos);
  EXPECT_FALSE(run_guarded([]() -> Status { throw 5; }).ok());
}

}  // namespace
}  // namespace vl
