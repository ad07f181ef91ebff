#include <gtest/gtest.h>

#include "sys/program_launch.h"

namespace vl {
namespace {

TEST(QuotedCommandLine, QuotesThePathAndKeepsTheArgumentTextAsItIs) {
  struct Case {
    const char* program;
    const char* arguments;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Verilune\\verilune.exe", "--minimized", "\"C:\\Program Files\\Verilune\\verilune.exe\" --minimized"},
      {"C:\\x.exe", "", "\"C:\\x.exe\" "},  // no arguments: the space stays
      {"C:\\t\\MicrosoftEdgeWebview2Setup.exe", "/silent /install", "\"C:\\t\\MicrosoftEdgeWebview2Setup.exe\" /silent /install"},
      {"a.exe", " \"quoted arg\"  two", "\"a.exe\"  \"quoted arg\"  two"},
  };
  for (const Case& c : cases) EXPECT_EQ(quoted_command_line(c.program, c.arguments), c.expected) << c.program;
}

}  // namespace
}  // namespace vl
