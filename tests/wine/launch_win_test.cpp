#include <gtest/gtest.h>

#include <exdisp.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "sys/com_win.h"
#include "sys/elevation_win.h"
#include "sys/processes_win.h"
#include "sys/program_launch_win.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"
#include "wine/support/registry.h"

namespace vl {
namespace {

using wine_test::harness_program;
using wine_test::read_probe_record;
using wine_test::ScopedEnvironment;
using wine_test::TempFolder;

// probe_child copied into a folder and under a name that both hold spaces.
std::string probe_with_spaces(const TempFolder& temp) {
  std::string folder = (temp / "my tools");
  CreateDirectoryW(to_wide(folder).c_str(), nullptr);
  std::string program = folder + "\\probe child.exe";
  EXPECT_TRUE(wine_test::copy_file(harness_program("probe_child"), program));
  return program;
}

TEST(RunAndWait, ReturnsTheChildsFullExitCode) {
  struct Case {
    const char* arguments;
    uint32_t expected;
  };
  const Case cases[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"0x80070005", 0x80070005u}, {"0xFFFFFFFF", 0xFFFFFFFFu}};
  for (const Case& c : cases) {
    auto code = run_and_wait(harness_program("probe_child"), c.arguments);
    ASSERT_TRUE(code.ok()) << code.error();
    EXPECT_EQ(*code, c.expected) << c.arguments;
  }
}

TEST(WaitForExitCode, AnOutcomeThatCannotBeKnownIsAFailureWithATextNotExitCodeZero) {
  // A handle that may not be waited on, or whose exit code may not be read, stands for the
  // rare system failures at the end of run_and_wait and relaunch_elevated.
  struct Case {
    const char* scenario;
    DWORD access;  // 0: no handle at all
    bool known;
  };
  const Case cases[] = {
      {"wait and query allowed", SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, true},
      {"the wait is refused", PROCESS_QUERY_LIMITED_INFORMATION, false},
      {"the exit code is refused", SYNCHRONIZE, false},
      {"no handle", 0, false},
  };
  for (const Case& c : cases) {
    std::wstring command = to_wide("\"" + harness_program("probe_child") + "\" 7");
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    UniqueHandle child(info.hProcess);
    UniqueHandle thread(info.hThread);
    UniqueHandle limited(c.access ? OpenProcess(c.access, FALSE, info.dwProcessId) : nullptr);
    ASSERT_EQ(c.access != 0, static_cast<bool>(limited)) << c.scenario;
    Result<uint32_t> code = wait_for_exit_code(limited.get(), "probe child");
    WaitForSingleObject(child.get(), INFINITE);
    if (c.known) {
      ASSERT_TRUE(code.ok()) << c.scenario << ": " << code.error();
      EXPECT_EQ(*code, 7u) << c.scenario;
    } else {
      ASSERT_FALSE(code.ok()) << c.scenario << " gave " << *code;
      EXPECT_EQ(code.error().rfind("probe child: ", 0), 0u) << c.scenario << ": " << code.error();
      EXPECT_GT(code.error().size(), std::string("probe child: ").size()) << c.scenario;
    }
  }
}

TEST(RunAndWait, QuotesAProgramPathWithSpacesAndPassesArgumentsAsOneText) {
  TempFolder temp;
  std::string program = probe_with_spaces(temp);
  std::string record = (temp / "record.txt");
  ScopedEnvironment env("VL_PROBE_RECORD", record);
  auto code = run_and_wait(program, "/silent /install");
  ASSERT_TRUE(code.ok()) << code.error();
  EXPECT_EQ(*code, 0u);
  auto seen = read_probe_record(record);
  ASSERT_TRUE(seen);
  EXPECT_EQ((*seen)["command_line"], "\"" + program + "\" /silent /install");
}

TEST(RunAndWait, AProgramThatCannotStartNamesItsPathAndTheSystemsReason) {
  TempFolder temp;
  std::string missing = (temp / "absent.exe");
  auto code = run_and_wait(missing, "/silent /install");
  ASSERT_FALSE(code.ok());
  EXPECT_EQ(code.error(), missing + ": " + hresult_message(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
}

// Not in the installer's own current folder (often Downloads): in the system folder.
TEST(RunCommand, StartsWithoutWaitingInTheSystemFolderWithTrailingSpaceForNoArguments) {
  TempFolder temp;
  std::string program = probe_with_spaces(temp);
  std::string record = (temp / "record.txt");
  ScopedEnvironment env("VL_PROBE_RECORD", record);
  ScopedEnvironment code_env("VL_PROBE_EXIT", "0");
  run_command(program, "");
  auto seen = read_probe_record(record, 10000);
  ASSERT_TRUE(seen) << "the program did not start";
  EXPECT_EQ((*seen)["command_line"], "\"" + program + "\" ");
  wchar_t system[MAX_PATH];
  UINT length = GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(lower_full((*seen)["cwd"]), lower_full(from_wide(std::wstring_view(system, length)).value()));
}

TEST(RunCommand, AMissingProgramIsIgnored) {
  TempFolder temp;
  run_command((temp / "absent.exe"), "x");  // must simply return
  SUCCEED();
}

// Wine starts its desktop shell (explorer) with the wineserver; the shell's window list answers
// only once it is up. Waits for that, up to `wait_ms`.
bool desktop_shell_ready(DWORD wait_ms) {
  ULONGLONG deadline = GetTickCount64() + wait_ms;
  for (;;) {
    ComPtr<IShellWindows> windows;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                   windows.put_void()))) {
      VARIANT location, root;
      VariantInit(&location);
      VariantInit(&root);
      location.vt = VT_I4;
      location.lVal = 0;
      long hwnd = 0;
      ComPtr<IDispatch> desktop;
      if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, desktop.put()) == S_OK &&
          desktop)
        return true;
    }
    if (GetTickCount64() >= deadline) return false;
    Sleep(100);
  }
}

// Runs launch_driver (elevated, or with the limited token) on a copy of probe_child that
// records itself beside its own path, and returns that record.
std::optional<std::map<std::string, std::string>> launch_through_driver(const TempFolder& temp,
                                                                        bool elevated,
                                                                        const std::string& arguments) {
  std::string program = probe_with_spaces(temp);
  EXPECT_TRUE(wine_test::write_file(program + ".record-wanted", ""));
  std::string command = "\"" + harness_program("launch_driver") + "\" \"" + program + "\" " + arguments;
  ScopedEnvironment no_record("VL_PROBE_RECORD", std::nullopt);
  if (elevated) {
    auto code = run_and_wait(harness_program("launch_driver"), "\"" + program + "\" " + arguments);
    EXPECT_TRUE(code.ok());
  } else {
    EXPECT_TRUE(wine_test::run_unelevated_and_wait(command));
  }
  auto seen = read_probe_record(program + ".record", 15000);
  if (seen) (*seen)["program"] = program;
  return seen;
}

TEST(LaunchApplication, ElevatedGoesThroughTheDesktopShellInTheProgramsFolder) {
  ComApartment com;
  // A 32-bit prefix's Wine registers no desktop shell window to ask (the 64-bit twin's does):
  // there is then no shell route to test, and the product skips its launch as it should.
  if (!desktop_shell_ready(15000)) GTEST_SKIP() << "this prefix's Wine runs no desktop shell";
  TempFolder temp;
  auto seen = launch_through_driver(temp, true, "--minimized --lang mn");
  ASSERT_TRUE(seen) << "the application did not start";
  EXPECT_NE((*seen)["command_line"].find("--minimized --lang mn"), std::string::npos) << (*seen)["command_line"];
  // The shell opens it with its own folder as working folder, unlike a direct start.
  EXPECT_EQ((*seen)["cwd"], (temp / "my tools"));
}

TEST(LaunchApplication, NotElevatedStartsDirectlyEvenWithTheShellRunning) {
  TempFolder temp;
  auto seen = launch_through_driver(temp, false, "--minimized");
  ASSERT_TRUE(seen) << "the application did not start";
  EXPECT_EQ((*seen)["command_line"], "\"" + (*seen)["program"] + "\" --minimized");
  EXPECT_EQ((*seen)["elevated"], "0");
  EXPECT_NE((*seen)["cwd"], (temp / "my tools"));
}

TEST(LaunchViaShell, SucceedsOnlyWhenTheShellAcceptedTheRequest) {
  ComApartment com;
  // A 32-bit prefix's Wine registers no desktop shell window to ask (the 64-bit twin's does):
  // there is then no shell route to test, and the product skips its launch as it should.
  if (!desktop_shell_ready(15000)) GTEST_SKIP() << "this prefix's Wine runs no desktop shell";
  TempFolder temp;
  std::string program = probe_with_spaces(temp);
  ASSERT_TRUE(wine_test::write_file(program + ".record-wanted", ""));
  Status started = launch_via_shell(program, "7");
  ASSERT_TRUE(started.ok()) << started.error();
  auto seen = read_probe_record(program + ".record", 15000);
  ASSERT_TRUE(seen);
  EXPECT_NE((*seen)["command_line"].find(" 7"), std::string::npos);
}

TEST(Elevation, ReportsTheTokenOfTheRunningProcess) {
  // A child with this process's token and one with its limited linked token.
  TempFolder temp;
  std::string record = (temp / "record.txt");
  ScopedEnvironment env("VL_PROBE_RECORD", record);
  auto full = run_and_wait(harness_program("probe_child"), "0");
  ASSERT_TRUE(full.ok());
  auto seen_full = read_probe_record(record);
  ASSERT_TRUE(seen_full);
  EXPECT_EQ((*seen_full)["elevated"], is_process_elevated() ? "1" : "0");
  EXPECT_TRUE(is_process_elevated()) << "Wine runs every process elevated";

  DeleteFileW(to_wide(record).c_str());
  auto limited = wine_test::run_unelevated_and_wait("\"" + harness_program("probe_child") + "\" 0");
  ASSERT_TRUE(limited);
  auto seen_limited = read_probe_record(record);
  ASSERT_TRUE(seen_limited);
  EXPECT_EQ((*seen_limited)["elevated"], "0");
}

TEST(OwnPath, NamesThisExecutable) {
  std::string path = own_module_path();
  EXPECT_EQ(path, harness_program("wine_tests"));
}

TEST(RelaunchElevated, HandsBackTheChildsExitCodeUnchangedFromAFreshThread) {
  TempFolder temp;
  std::string program = probe_with_spaces(temp);
  std::string record = (temp / "record.txt");
  ScopedEnvironment env("VL_PROBE_RECORD", record);
  for (uint32_t expected : {0u, 1u, 2u, 0x80070005u}) {
    ElevationOutcome outcome;
    int started = 0;
    char arguments[64];
    snprintf(arguments, sizeof arguments, "%u --vl-resume \"--vl-dir=C:\\A B\"", expected);
    // The elevation thread of the windowed run is a bare thread: the call sets up COM itself.
    std::thread worker([&] { outcome = relaunch_elevated(program, arguments, nullptr, [&] { ++started; }); });
    worker.join();
    EXPECT_EQ(outcome.kind, ElevationOutcome::Kind::Finished) << outcome.message;
    EXPECT_EQ(outcome.exit_code, expected);
    EXPECT_EQ(started, 1);
    auto seen = read_probe_record(record);
    ASSERT_TRUE(seen);
    EXPECT_NE((*seen)["command_line"].find(arguments), std::string::npos) << (*seen)["command_line"];
  }
}

TEST(RelaunchElevated, AProgramThatCannotStartFailsWithTheSystemsTextAndNoErrorBox) {
  // The shell would otherwise put up its own error box and wait for a click (under Xvfb as on a
  // desktop): an unattended run must never block. A stuck call fails the test after 20 s.
  TempFolder temp;
  auto outcome = std::make_shared<std::promise<std::pair<ElevationOutcome, int>>>();
  std::string program = (temp / "absent.exe");
  std::thread([outcome, program] {
    int started = 0;
    ElevationOutcome result = relaunch_elevated(program, "--vl-resume", nullptr, [&] { ++started; });
    outcome->set_value({result, started});
  }).detach();
  auto future = outcome->get_future();
  ASSERT_EQ(future.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "ShellExecuteExW is waiting on UI";
  auto [result, started] = future.get();
  EXPECT_EQ(result.kind, ElevationOutcome::Kind::Failed);
  EXPECT_FALSE(result.message.empty());
  EXPECT_EQ(started, 0);
}

}  // namespace
}  // namespace vl
