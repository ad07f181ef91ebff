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

}  // namespace
}  // namespace vl
