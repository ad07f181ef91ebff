#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/command_tail.h"

namespace vl::harness {
namespace {

// Splits a whole line into its program name and arguments with the launcher's tokenizer.
std::vector<std::string> split(std::string_view line) {
  std::vector<std::string> out;
  auto program = program_token(line);
  out.push_back(program.value);
  size_t pos = program.end;
  while (auto token = argument_token(line, pos)) {
    out.push_back(token->value);
    pos = token->end;
  }
  return out;
}

struct SplitCase {
  const char* line;
  std::vector<std::string> expected;
};

// The C runtime's documented examples and the corners that differ between parsers.
TEST(CommandTail, SplitsLikeTheCRuntime) {
  const SplitCase cases[] = {
      {R"(p "a b c" d e)", {"p", "a b c", "d", "e"}},
      {R"(p "ab\"c" "\\" d)", {"p", "ab\"c", "\\", "d"}},
      {R"(p a\\\b d"e f"g h)", {"p", R"(a\\\b)", "de fg", "h"}},
      {R"(p a\\\"b c d)", {"p", R"(a\"b)", "c", "d"}},
      {R"(p a\\\\"b c" d e)", {"p", R"(a\\b c)", "d", "e"}},
      {R"(p "a""b" c)", {"p", "a\"b", "c"}},  // doubled quote inside quotes: literal quote
      {"p \"\"", {"p", ""}},                  // an empty argument is still an argument
      {"p\t a \t", {"p", "a"}},
      {R"("C:\Program Files\x\" y)", {R"(C:\Program Files\x\)", "y"}},  // no escapes in argv[0]
      {"C:\\x\\prog.exe", {"C:\\x\\prog.exe"}},
      {R"(p "unterminated arg)", {"p", "unterminated arg"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(split(c.line), c.expected) << c.line;
  }
}

struct TailCase {
  const char* line;
  const char* program;
  const char* tail;
};

// The launcher takes its own name and the program; everything after is handed on verbatim.
TEST(CommandTail, PassesTheRestOfTheLineVerbatim) {
  const TailCase cases[] = {
      {R"(run.exe "C:\my dir\setup.exe" /S /D=C:\Program Files\V)", R"(C:\my dir\setup.exe)",
       R"(/S /D=C:\Program Files\V)"},
      {R"(run.exe prog.exe   "a \"b\""  x)", "prog.exe", R"("a \"b\""  x)"},
      {"run.exe prog.exe", "prog.exe", ""},
      {"run.exe prog.exe   ", "prog.exe", ""},
      {R"(run.exe p"rog x".exe tail)", "prog x.exe", "tail"},
  };
  for (const auto& c : cases) {
    std::string_view line = c.line;
    auto program = argument_token(line, program_token(line).end);
    ASSERT_TRUE(program.has_value()) << c.line;
    EXPECT_EQ(program->value, c.program) << c.line;
    EXPECT_EQ(tail_after(line, program->end), c.tail) << c.line;
  }
}

TEST(CommandTail, ChildLineQuotesTheProgramAndKeepsTheTail) {
  EXPECT_EQ(child_command_line<char>(R"(C:\my dir\a.exe)", R"(/D=C:\x y "q")"),
            R"("C:\my dir\a.exe" /D=C:\x y "q")");
  EXPECT_EQ(child_command_line<char>("a.exe", ""), "\"a.exe\"");
  // The child's own split gives back the program and the tail's arguments.
  const std::string line = child_command_line<char>(R"(C:\d\p.exe)", R"("x y" \"z)");
  EXPECT_EQ(split(line), (std::vector<std::string>{R"(C:\d\p.exe)", "x y", "\"z"}));
}

TEST(CommandTail, NoProgramGivenIsNoToken) {
  std::string_view line = "run.exe   ";
  EXPECT_FALSE(argument_token(line, program_token(line).end).has_value());
}

}  // namespace
}  // namespace vl::harness
