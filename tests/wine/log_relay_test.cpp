// The log relay between an installer and its resumed copy, both ends in this process: the
// copy's lines reach the parent's file through the pipe, before the parent's last line.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "install/run_log_win.h"
#include "wine/support/files.h"

namespace vl {
namespace {

using wine_test::TempFolder;

TEST(LogRelay, TheCopysLinesLandInTheParentsFileBeforeItsLastLine) {
  TempFolder temp;
  const std::string path = temp / "setup.log";
  RunLogSinks parent(path, false);
  const std::optional<uint32_t> relay = parent.start_relay();
  ASSERT_TRUE(relay);
  {
    // The copy is told no path, only the relay.
    RunLogSinks copy(std::nullopt, false, relay);
    copy.log().note("from the copy");
  }
  parent.log().finished(0, {});
  const std::string text = wine_test::read_file(path).value_or("");
  const size_t copied = text.find("from the copy");
  ASSERT_NE(copied, std::string::npos) << text;
  EXPECT_LT(copied, text.find("exit code 0")) << text;
}

// Every Wine process is elevated, so these sinks are an elevated run's that has no relay.
TEST(ElevatedRunLog, WritesOnlyANewFile) {
  TempFolder temp;
  const std::string existing = temp / "old.log";
  ASSERT_TRUE(wine_test::write_file(existing, "someone else's\r\n"));
  {
    RunLogSinks sinks(existing, false);
    sinks.log().note("not here");
  }
  EXPECT_EQ(wine_test::read_file(existing), "someone else's\r\n");

  const std::string fresh = temp / "new.log";
  {
    RunLogSinks sinks(fresh, false);
    sinks.log().note("here");
  }
  EXPECT_NE(wine_test::read_file(fresh).value_or("").find("here"), std::string::npos);
}

// A parent that reads nothing (suspended, or stalled on its own file): its pipe fills, and the
// copy's lines are dropped instead of holding up the copy. The test serves the relay's pipe itself.
TEST(LogRelay, AStalledReaderDropsTheCopysLinesNotItsRun) {
  const uint32_t number = GetCurrentProcessId() + 1000000;
  UniqueHandle server(CreateNamedPipeW(relay_pipe_name(number).c_str(), PIPE_ACCESS_INBOUND,
                                       PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0,
                                       4096, 0, nullptr));
  ASSERT_TRUE(server);
  RunLogSinks copy(std::nullopt, false, number);
  const std::string line(1000, 'x');
  for (int i = 0; i < 64; ++i) copy.log().note(line);  // 64 KB into a 4 KB pipe: returns

  // Whatever fitted is read away; a line after the stall stays dropped all the same.
  std::string buffer(64 * 1024, '\0');
  DWORD available = 0;
  while (PeekNamedPipe(server.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    DWORD read = 0;
    ReadFile(server.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr);
  }
  copy.log().note("after the stall");
  Sleep(200);
  ASSERT_TRUE(PeekNamedPipe(server.get(), nullptr, 0, nullptr, &available, nullptr));
  EXPECT_EQ(available, 0u);
}

}  // namespace
}  // namespace vl
