// The launcher that later tests read every exit code through: the child runs without
// administrator rights, its whole 32-bit exit code comes back, and its arguments arrive as
// written.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>

#include "sys/text_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"

namespace vl::wine_test {
namespace {

constexpr DWORD TIMEOUT_MS = 30000;

struct LauncherRun {
  DWORD launcher_code = 0xFFFFFFFF;
  std::string output;
};

LauncherRun run_launcher(const std::wstring& arguments) {
  Child child(quote_argument(to_wide(harness_program("run_unelevated"))) + L" " + arguments);
  EXPECT_TRUE(child.ok()) << child.start_error();
  LauncherRun run;
  run.output = child.read_all(TIMEOUT_MS);
  run.launcher_code = child.wait(TIMEOUT_MS).value_or(0xFFFFFFFF);
  return run;
}

std::wstring probe() { return quote_argument(to_wide(harness_program("probe"))); }

bool own_token_is_elevated() {
  UniqueHandle token;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
         GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated;
}

TEST(RunUnelevated, ChildOfAnElevatedTestRunsWithTheLimitedToken) {
  // Under Wine every process is elevated, so the limited token can only come from the launcher.
  ASSERT_TRUE(own_token_is_elevated());
  const LauncherRun run = run_launcher(probe() + L" elevation");
  EXPECT_EQ(run.launcher_code, 0u) << run.output;
  EXPECT_NE(run.output.find("elevated=0 type=limited\n"), std::string::npos) << run.output;
  EXPECT_EQ(launcher_exit_code(run.output), 3u) << run.output;  // 16 * elevated + limited (3)
}

TEST(RunUnelevated, ElevatedSwitchKeepsTheFullToken) {
  const LauncherRun run = run_launcher(L"--elevated " + probe() + L" elevation");
  EXPECT_EQ(run.launcher_code, 0u) << run.output;
  EXPECT_NE(run.output.find("elevated=1 type=full\n"), std::string::npos) << run.output;
  EXPECT_EQ(launcher_exit_code(run.output), 18u) << run.output;  // 16 * elevated + full (2)
}

TEST(RunUnelevated, ReportsTheWholeThirtyTwoBitExitCode) {
  const uint32_t codes[] = {0, 1, 2, 255, 256, 0x1234, 0x80070005, 0xC0000005, 0xFFFFFFFF};
  for (const wchar_t* mode : {L"", L"--elevated "}) {
    for (uint32_t code : codes) {
      const LauncherRun run =
          run_launcher(mode + probe() + L" exit " + std::to_wstring(code));
      EXPECT_EQ(run.launcher_code, 0u) << run.output;
      EXPECT_EQ(launcher_exit_code(run.output), code)
          << "mode '" << from_wide(mode).value_or("") << "': " << run.output;
    }
  }
}

TEST(RunUnelevated, HandsTheRestOfItsLineToTheChildVerbatim) {
  // Irregular spacing, quotes and an unquoted path with a space stay exactly as written.
  const std::wstring tail = L"cmdline  /D=C:\\Program Files\\V  \"a \\\"b\\\"\" \"\" x\\\\";
  const LauncherRun run = run_launcher(probe() + L" " + tail);
  const std::string expected =
      "[\"" + from_wide(to_wide(harness_program("probe"))).value() + "\" " + from_wide(tail).value() +
      "]\n";
  EXPECT_NE(run.output.find(expected), std::string::npos) << run.output;
  EXPECT_EQ(launcher_exit_code(run.output), 0u) << run.output;
}

TEST(RunUnelevated, OwnFailuresExit255WithoutAnExitLine) {
  struct Case {
    const wchar_t* arguments;
    const char* scenario;
  };
  const Case cases[] = {
      {L"", "no program given"},
      {L"--elevated", "only the switch"},
      {L"C:\\no\\such\\program.exe", "program missing (limited token)"},
      {L"--elevated C:\\no\\such\\program.exe", "program missing (elevated)"},
  };
  for (const Case& c : cases) {
    const LauncherRun run = run_launcher(c.arguments);
    EXPECT_EQ(run.launcher_code, 255u) << c.scenario;
    EXPECT_FALSE(launcher_exit_code(run.output).has_value()) << c.scenario << ": " << run.output;
  }
}

TEST(LauncherExitLine, ReadsOnlyAWellFormedLastLine) {
  EXPECT_EQ(launcher_exit_code("child says hi\nexit code: 2147942405\n"), 0x80070005u);
  EXPECT_EQ(launcher_exit_code("exit code: 4294967295\r\n"), 0xFFFFFFFFu);
  EXPECT_FALSE(launcher_exit_code("exit code: 4294967296\n").has_value());
  EXPECT_FALSE(launcher_exit_code("exit code: 1\nmore\n").has_value());
  EXPECT_FALSE(launcher_exit_code("exit code: -1\n").has_value());
  EXPECT_FALSE(launcher_exit_code("").has_value());
}

TEST(QuoteArgument, RoundTripsThroughTheSystemSplitter) {
  const wchar_t* arguments[] = {L"plain", L"two words", L"", L"a\"b", L"trail\\",
                                L"C:\\dir with space\\", L"x\\\\\"y", L"\t"};
  for (const wchar_t* argument : arguments) {
    const std::wstring line = L"p.exe " + quote_argument(argument);
    int count = 0;
    LPWSTR* split = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(split, nullptr);
    ASSERT_EQ(count, 2) << from_wide(line).value();
    EXPECT_EQ(std::wstring(split[1]), argument) << from_wide(line).value();
    LocalFree(split);
  }
}

}  // namespace
}  // namespace vl::wine_test
