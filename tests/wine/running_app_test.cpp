// The installed application during Prepare: the sample verilune.exe started from the install
// folder is asked to close and, if it ignores that, terminated once the grace period is over;
// a copy elsewhere is left alone. Measured waits are printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>

#include "install/running_app_win.h"
#include "sys/paths.h"
#include "sys/processes_win.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"

namespace vl {
namespace {

using namespace std::chrono_literals;
using wine_test::TempFolder;
using wine_test::Started;

std::string sample_app() { return join_path(wine_test::test_program_dir(), "..\\sample\\verilune.exe"); }

void print_wait(const char* scenario, const ApplicationWait& wait) {
  std::printf("[ measured ] %s: %lld ms (found %d, windows asked %d, terminated %d)\n", scenario,
              static_cast<long long>(wait.waited.count()), wait.found, wait.windows_asked,
              wait.terminated);
}

class RunningApplication : public testing::Test {
 protected:
  void SetUp() override {
    if (!wine_test::file_exists(sample_app())) GTEST_SKIP() << "sample verilune.exe not built";
    wine_test::make_dirs(dir_ / "Install");
    wine_test::make_dirs(dir_ / "Other");
    // The sample appends how it was started to this record instead of the user's profile.
    SetEnvironmentVariableW(L"VL_SAMPLE_RECORD", to_wide(dir_ / "runs.txt").c_str());
  }
  void TearDown() override {
    for (Started& started : started_) {
      if (started.process) TerminateProcess(started.process.get(), 7);
    }
  }

  // Copies the sample to `path`, starts it and waits until its (hidden) window exists.
  Started& start_app(const std::string& path, std::string_view arguments = {}) {
    if (!wine_test::file_exists(path)) wine_test::copy_file(sample_app(), path);
    started_.push_back(wine_test::start_program(path, arguments));
    EXPECT_TRUE(wine_test::wait_for_window(started_.back(), 10s)) << path;
    return started_.back();
  }

  TempFolder dir_;
  std::deque<Started> started_;  // references stay valid as starts are added
};

TEST_F(RunningApplication, ClosesPolitelyWithinTheGracePeriod) {
  std::string app = dir_ / "Install\\verilune.exe";
  Started& started = start_app(app);
  ASSERT_EQ(find_processes_by_image(app), std::vector<uint32_t>{started.pid});

  ApplicationWait wait = wait_then_terminate(app, /*update_in_place=*/false);
  print_wait("polite close, 1 s limit", wait);

  EXPECT_TRUE(wait.found);
  EXPECT_GE(wait.windows_asked, 1);
  EXPECT_FALSE(wait.terminated);
  // The sample exits with 0 on WM_CLOSE; termination would have given 1.
  EXPECT_EQ(wine_test::exit_code_within(started, 5s), std::optional<DWORD>(0));
  EXPECT_TRUE(find_processes_by_image(app).empty());
}

TEST_F(RunningApplication, IgnoringCloseIsTerminatedAfterOneSecond) {
  std::string app = dir_ / "Install\\verilune.exe";
  Started& started = start_app(app, "--ignore-close");

  ApplicationWait wait = wait_then_terminate(app, /*update_in_place=*/false);
  print_wait("ignores WM_CLOSE, 1 s limit", wait);

  EXPECT_TRUE(wait.found);
  EXPECT_GE(wait.windows_asked, 1);
  EXPECT_TRUE(wait.terminated);
  EXPECT_GE(wait.waited, 1000ms);  // whole seconds: never before the limit
  EXPECT_EQ(wine_test::exit_code_within(started, 5s), std::optional<DWORD>(1));
}

TEST_F(RunningApplication, UpdateInPlaceWaitsEightSecondsBeforeTerminating) {
  std::string app = dir_ / "Install\\verilune.exe";
  Started& started = start_app(app, "--ignore-close");

  ApplicationWait wait = wait_then_terminate(app, /*update_in_place=*/true);
  print_wait("ignores WM_CLOSE, /UPDATE 8 s limit", wait);

  EXPECT_TRUE(wait.terminated);
  EXPECT_GE(wait.waited, 8000ms);
  EXPECT_EQ(wine_test::exit_code_within(started, 5s), std::optional<DWORD>(1));
}

TEST_F(RunningApplication, UpdateInPlaceStillEndsAPoliteAppEarly) {
  std::string app = dir_ / "Install\\verilune.exe";
  Started& started = start_app(app);

  ApplicationWait wait = wait_then_terminate(app, /*update_in_place=*/true);
  print_wait("polite close, /UPDATE 8 s limit", wait);

  EXPECT_FALSE(wait.terminated);
  EXPECT_EQ(wine_test::exit_code_within(started, 5s), std::optional<DWORD>(0));
}

TEST_F(RunningApplication, CopyInAnotherFolderIsLeftAlone) {
  std::string app = dir_ / "Install\\verilune.exe";
  Started& other = start_app(dir_ / "Other\\verilune.exe");

  EXPECT_TRUE(find_processes_by_image(app).empty());
  ApplicationWait wait = wait_then_terminate(app, /*update_in_place=*/false);
  print_wait("copy in another folder", wait);

  EXPECT_FALSE(wait.found);
  EXPECT_EQ(wait.windows_asked, 0);
  EXPECT_EQ(wine_test::exit_code_within(other, 1500ms), std::nullopt) << "the other copy was ended";
  // The name search sees it all the same.
  std::vector<uint32_t> by_name = find_processes_by_name("VERILUNE.exe");
  EXPECT_NE(std::find(by_name.begin(), by_name.end(), other.pid), by_name.end());
}

TEST_F(RunningApplication, UpperCaseImageNameInTheInstallFolderCounts) {
  Started& started = start_app(dir_ / "Install\\VERILUNE.EXE", "--ignore-close");
  std::string app = dir_ / "install\\verilune.exe";

  EXPECT_EQ(find_processes_by_image(app), std::vector<uint32_t>{started.pid});
  ApplicationWait wait = wait_then_terminate(app, /*update_in_place=*/false);
  EXPECT_TRUE(wait.terminated);
  EXPECT_EQ(wine_test::exit_code_within(started, 5s), std::optional<DWORD>(1));
}

TEST_F(RunningApplication, PreviousMainBinaryIsWaitedForAfterVerilune) {
  Started& current = start_app(dir_ / "Install\\verilune.exe");
  Started& previous = start_app(dir_ / "Install\\OldVerilune.exe", "--ignore-close");

  std::vector<ApplicationWait> waits =
      stop_application_processes(dir_ / "Install", std::string("OldVerilune.exe"), false);
  ASSERT_EQ(waits.size(), 2u);
  print_wait("verilune.exe", waits[0]);
  print_wait("previous main binary", waits[1]);

  EXPECT_EQ(waits[0].image_path, dir_ / "Install\\verilune.exe");
  EXPECT_EQ(waits[1].image_path, dir_ / "Install\\OldVerilune.exe");
  EXPECT_FALSE(waits[0].terminated);
  EXPECT_TRUE(waits[1].terminated);
  EXPECT_EQ(wine_test::exit_code_within(current, 5s), std::optional<DWORD>(0));
  EXPECT_EQ(wine_test::exit_code_within(previous, 5s), std::optional<DWORD>(1));
}

TEST_F(RunningApplication, NothingRunningProceedsAtOnce) {
  std::vector<ApplicationWait> waits =
      stop_application_processes(dir_ / "Install", std::nullopt, false);
  ASSERT_EQ(waits.size(), 1u);
  print_wait("nothing running", waits[0]);
  EXPECT_FALSE(waits[0].found);
  EXPECT_LT(waits[0].waited, 1000ms);
}

TEST(TerminateProcesses, EndsEachWithExitCodeOneAndSkipsUnknownIds) {
  TempFolder dir;
  std::string standin = join_path(wine_test::test_program_dir(), "legacy_client_standin.exe");
  Started a = wine_test::start_program(standin);
  Started b = wine_test::start_program(standin);
  // An id that names no process is skipped without error.
  terminate_processes({a.pid, 0xFFFFFFF0u, b.pid});
  EXPECT_EQ(wine_test::exit_code_within(a, 1s), std::optional<DWORD>(1));
  EXPECT_EQ(wine_test::exit_code_within(b, 1s), std::optional<DWORD>(1));
}

}  // namespace
}  // namespace vl
