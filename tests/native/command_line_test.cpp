#include <gtest/gtest.h>

#include "args/command_line.h"
#include "sys/text.h"

namespace vl {
namespace {

CommandLine parse(std::string_view utf8) { return parse_command_line(utf8_to_utf16(utf8)); }

TEST(CommandLineProgramName, IsRemovedQuotedOrBare) {
  struct Case {
    const char* line;
    bool silent;
    const char* passthrough;
  } cases[] = {
      {R"("C:\Program Files\setup.exe" /S)", true, "/S"},
      {R"(  C:\setup.exe /S  )", true, "/S"},
      {R"(C:\setup.exe)", false, ""},
      {R"("C:\unterminated /S)", false, ""},  // no closing quote: no arguments at all
      {"setup.exe\u3000/S", true, "/S"},      // ideographic space ends the program name
      {R"(/S)", false, ""},                   // the first word is always the program name
  };
  for (const auto& c : cases) {
    CommandLine cmd = parse(c.line);
    EXPECT_EQ(cmd.silent, c.silent) << c.line;
    EXPECT_EQ(cmd.passthrough, c.passthrough) << c.line;
  }
}

TEST(CommandLineDirectory, TakesTheRestOfTheLineAfterSlashD) {
  struct Case {
    const char* line;
    std::optional<std::string> dir;
    bool silent;
  } cases[] = {
      {R"(setup.exe /S /D=C:\Program Files\My App)", R"(C:\Program Files\My App)", true},
      {R"(setup.exe /S /D="C:\Program Files\My App")", R"(C:\Program Files\My App)", true},
      {R"(setup.exe /d=D:\x /S)", R"(D:\x /S)", false},  // /D= swallows what follows it
      {R"(setup.exe x/D=C:\no /S)", std::nullopt, true},  // inside a word: not a switch
      {"setup.exe /S\t/D=C:\\tab", "C:\\tab", true},
      {"setup.exe /S\v/D=C:\\vt", std::nullopt, true},     // vertical tab is no boundary
      {R"(setup.exe /D=""  )", std::nullopt, false},       // empty after stripping quotes
  };
  for (const auto& c : cases) {
    CommandLine cmd = parse(c.line);
    EXPECT_EQ(cmd.dir_choice, c.dir) << c.line;
    EXPECT_EQ(cmd.silent, c.silent) << c.line;
  }
}

TEST(CommandLineAppArguments, StopAtTheNextSwitchAndAreForwardedLast) {
  CommandLine cmd = parse("setup.exe /ARGS --minimized --lang mn /S");
  EXPECT_EQ(cmd.app_arguments, "--minimized --lang mn");
  EXPECT_TRUE(cmd.silent);
  EXPECT_EQ(cmd.passthrough, "/S /ARGS --minimized --lang mn");

  cmd = parse("setup.exe /R /args   --tray   ");
  EXPECT_EQ(cmd.app_arguments, "--tray");
  EXPECT_TRUE(cmd.run_after);
  EXPECT_EQ(cmd.passthrough, "/R /ARGS --tray");

  cmd = parse("setup.exe /S /ARGS");
  EXPECT_EQ(cmd.app_arguments, "");
  EXPECT_EQ(cmd.passthrough, "/S");
}

TEST(CommandLineTokens, QuotesGroupAndAreKeptWhereTheTokenNeedsThem) {
  CommandLine cmd = parse(R"(setup.exe "a b" /s ""  x"y z" "c")");
  EXPECT_TRUE(cmd.silent);
  EXPECT_EQ(cmd.passthrough, R"("a b" /s "" "xy z" c)");  // "" is an empty token
}

TEST(CommandLineFlags, AreMatchedExactlyAndCaseInsensitively) {
  CommandLine cmd = parse("setup.exe /s /p /r /ns /update /SX --vl-from-temp --VL-Resume");
  EXPECT_TRUE(cmd.silent && cmd.passive && cmd.run_after && cmd.no_shortcut && cmd.update);
  EXPECT_TRUE(cmd.from_temp && cmd.resume);
  EXPECT_EQ(cmd.passthrough, "/s /p /r /ns /update /SX");  // resume switches never forwarded
}

TEST(CommandLineResumeSwitches, ReadTheirValues) {
  struct Case {
    const char* token;
    std::optional<bool> desktop;
    std::optional<bool> legacy;
    std::optional<InstallScope> scope;
  } cases[] = {
      {"--vl-desktop=1", true, std::nullopt, std::nullopt},
      {"--vl-desktop=true", false, std::nullopt, std::nullopt},  // only a final 1 counts
      {"--VL-LEGACY=0", std::nullopt, false, std::nullopt},
      {"--vl-legacy=01", std::nullopt, true, std::nullopt},
      {"--vl-scope=Machine", std::nullopt, std::nullopt, InstallScope::AllUsers},
      {"--vl-scope=anything", std::nullopt, std::nullopt, InstallScope::CurrentUser},
      {"/ALLUSERS", std::nullopt, std::nullopt, InstallScope::AllUsers},
      {"/currentuser", std::nullopt, std::nullopt, InstallScope::CurrentUser},
  };
  for (const auto& c : cases) {
    CommandLine cmd = parse(std::string("setup.exe ") + c.token);
    EXPECT_EQ(cmd.desktop_choice, c.desktop) << c.token;
    EXPECT_EQ(cmd.legacy_choice, c.legacy) << c.token;
    EXPECT_EQ(cmd.scope_choice, c.scope) << c.token;
  }
}

TEST(CommandLinePosition, SkipsUnreadablePieces) {
  struct Case {
    const char* token;
    std::optional<WindowPos> pos;
  } cases[] = {
      {"--vl-pos=10", std::nullopt},
      {"--vl-pos=a,-20,30", WindowPos{-20, 30}},
      {"--vl-pos=,+,-,5,+7", WindowPos{5, 7}},
      {"--vl-pos=2147483648,1,2", WindowPos{1, 2}},
      {"--vl-pos=-2147483648,2147483647", WindowPos{INT32_MIN, INT32_MAX}},
      {"--vl-pos=1.5,2,3", WindowPos{2, 3}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse(std::string("setup.exe ") + c.token).window_pos, c.pos) << c.token;
  }
  // A later unusable position keeps the earlier one.
  EXPECT_EQ(parse("setup.exe --vl-pos=1,2 --vl-pos=3").window_pos, (WindowPos{1, 2}));
}

TEST(CommandLineDirectorySources, LaterSwitchesReplaceSlashD) {
  CommandLine cmd = parse(R"(setup.exe --vl-dir=C:\Resumed /D=C:\Given)");
  EXPECT_EQ(cmd.dir_choice, R"(C:\Resumed)");
  cmd = parse(R"(setup.exe _?=C:\Uninst)");
  EXPECT_TRUE(cmd.uninstaller_dir_flag);
  EXPECT_EQ(cmd.dir_choice, R"(C:\Uninst)");
  EXPECT_EQ(cmd.passthrough, R"(_?=C:\Uninst)");
  cmd = parse("setup.exe --vl-dir=");
  EXPECT_EQ(cmd.dir_choice, "");
}

TEST(CommandLineResumedRun, ResumeSwitchesWinOverForwardedUserSwitches) {
  // The parent forwards /CURRENTUSER and _?= after its own resume switches.
  CommandLine cmd = parse(
      R"(setup.exe --vl-resume --vl-scope=machine "--vl-dir=C:\Program Files (x86)\Verilune" /CURRENTUSER _?=C:\Old)");
  EXPECT_EQ(cmd.scope_choice, InstallScope::AllUsers);
  EXPECT_EQ(cmd.dir_choice, R"(C:\Program Files (x86)\Verilune)");
  // Without --vl-resume the usual left-to-right rule applies.
  cmd = parse(R"(setup.exe --vl-scope=machine /CURRENTUSER)");
  EXPECT_EQ(cmd.scope_choice, InstallScope::CurrentUser);
}

TEST(CommandLineLog, IsActedOnForwardedAndWonByTheResumeSwitch) {
  struct Case {
    const char* line;
    std::optional<std::string> log;
    const char* passthrough;
  } cases[] = {
      {R"(setup.exe /S /LOG=C:\x.log)", R"(C:\x.log)", R"(/S /LOG=C:\x.log)"},
      {R"(setup.exe /log="C:\my logs\x.log")", R"(C:\my logs\x.log)", R"("/log=C:\my logs\x.log")"},
      {R"(setup.exe /LOG= /LOGX=a)", std::nullopt, R"(/LOG= /LOGX=a)"},
      {R"(setup.exe /LOG=a /Log=b)", "b", "/LOG=a /Log=b"},
      {R"(setup.exe --vl-log=C:\a /LOG=C:\b)", R"(C:\b)", R"(/LOG=C:\b)"},  // not resumed
      {R"(setup.exe --vl-resume "--VL-LOG=C:\my logs\x.log" /LOG=C:\my logs\x.log)",
       R"(C:\my logs\x.log)", R"(/LOG=C:\my logs\x.log)"},
      {R"(setup.exe --vl-resume --vl-log= /LOG=C:\b)", R"(C:\b)", R"(/LOG=C:\b)"},
  };
  for (const auto& c : cases) {
    CommandLine cmd = parse(c.line);
    EXPECT_EQ(cmd.log_path, c.log) << c.line;
    EXPECT_EQ(cmd.passthrough, c.passthrough) << c.line;
  }
}

TEST(CommandLineAppArguments, OnlySpaceSlashEndsTheValue) {
  CommandLine cmd = parse("setup.exe x/ARGS y");  // inside a word: not a switch
  EXPECT_EQ(cmd.app_arguments, "");
  EXPECT_EQ(cmd.passthrough, "x/ARGS y");
  cmd = parse("setup.exe /ARGS a\t/S");
  EXPECT_EQ(cmd.app_arguments, "a\t/S");
  EXPECT_FALSE(cmd.silent);
  cmd = parse(R"(setup.exe /D=C:\x /ARGS y)");  // /D= is taken first and swallows /ARGS
  EXPECT_EQ(cmd.dir_choice, R"(C:\x /ARGS y)");
  EXPECT_EQ(cmd.app_arguments, "");
}

TEST(CommandLineTokens, UnicodeWhitespaceSplitsOutsideQuotesOnly) {
  CommandLine cmd = parse("setup.exe a\u3000b \"c\u00A0d\"");
  EXPECT_EQ(cmd.passthrough, "a b \"c\u00A0d\"");
}

TEST(CommandLineEncoding, InvalidUtf16IsAnEmptyLine) {
  std::u16string line = u"setup.exe /S ";
  line.push_back(static_cast<char16_t>(0xD800));
  CommandLine cmd = parse_command_line(line);
  EXPECT_FALSE(cmd.silent);
  EXPECT_EQ(cmd.passthrough, "");
}

TEST(QuoteIfNeeded, QuotesAnyUnicodeWhitespace) {
  EXPECT_EQ(quote_if_needed(""), "");
  EXPECT_EQ(quote_if_needed("C:\\x"), "C:\\x");
  EXPECT_EQ(quote_if_needed("a b"), "\"a b\"");
  EXPECT_EQ(quote_if_needed("a\vb"), "\"a\vb\"");
  EXPECT_EQ(quote_if_needed("a\u00A0b"), "\"a\u00A0b\"");
}

TEST(ResumeArguments, ListTheChoicesThenThePassthrough) {
  ResumeState state{InstallScope::AllUsers, R"(C:\Program Files (x86)\Verilune)", true, false, "/S /R"};
  EXPECT_EQ(build_resume_arguments(state, std::nullopt),
            R"(--vl-resume --vl-scope=machine "--vl-dir=C:\Program Files (x86)\Verilune" --vl-desktop=1 --vl-legacy=0 /S /R)");
  state = ResumeState{InstallScope::CurrentUser, R"(C:\V)", false, true, ""};
  EXPECT_EQ(build_resume_arguments(state, WindowPos{-5, 12}),
            R"(--vl-resume --vl-scope=user --vl-dir=C:\V --vl-desktop=0 --vl-legacy=1 --vl-pos=-5,12 )");
}

TEST(ResumeArguments, LeaveOutForwardedSlashDTokens) {
  ResumeState state{InstallScope::AllUsers, R"(C:\V)", true, true, R"(/S /d=C:\x  /R /ARGS a/D=b)"};
  EXPECT_EQ(build_resume_arguments(state, std::nullopt),
            R"(--vl-resume --vl-scope=machine --vl-dir=C:\V --vl-desktop=1 --vl-legacy=1 /S  /R /ARGS a/D=b)");
}

TEST(CommandLineParse, LogRelayIsADecimalProcessIdOrNothing) {
  struct Case {
    const char* line;
    std::optional<uint32_t> relay;
  };
  const Case cases[] = {
      {"setup.exe --vl-resume --vl-log-relay=4242", 4242u},
      {"setup.exe --vl-resume --VL-LOG-RELAY=4294967295", 4294967295u},
      {"setup.exe --vl-resume --vl-log-relay=4294967296", std::nullopt},
      {"setup.exe --vl-resume --vl-log-relay=0", std::nullopt},
      {"setup.exe --vl-resume --vl-log-relay=..\\x", std::nullopt},
      {"setup.exe --vl-resume --vl-log-relay=", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse(c.line).log_relay, c.relay) << c.line;
    EXPECT_EQ(parse(c.line).passthrough, "") << c.line;
  }
}

TEST(ResumeArguments, RoundTripThroughTheParser) {
  // What the parent builds, the elevated child reads back as the same choices.
  const char* user_lines[] = {
      R"(setup.exe /S /R /ARGS --minimized /NS)",
      R"(setup.exe /CURRENTUSER /P /UPDATE "x y")",
      R"(setup.exe /ALLUSERS /S /D=C:\Program Files\My App)",
      R"(setup.exe /S /LOG="C:\my logs\setup.log" /R)",
      R"(setup.exe /S "a --vl-dir=C:\Other" "/D=C:\x y" /R)",
  };
  for (const char* line : user_lines) {
    CommandLine parent = parse(line);
    ResumeState state{InstallScope::AllUsers,
                      R"(C:\Program Files (x86)\My App)",
                      false,
                      true,
                      parent.passthrough,
                      4242};
    std::string child_line = std::string("\"C:\\setup.exe\" ") +
                             build_resume_arguments(state, WindowPos{100, -200});
    CommandLine child = parse(child_line);
    EXPECT_TRUE(child.resume) << child_line;
    EXPECT_EQ(child.scope_choice, InstallScope::AllUsers) << child_line;
    EXPECT_EQ(child.dir_choice, state.install_dir) << child_line;
    EXPECT_EQ(child.desktop_choice, false);
    EXPECT_EQ(child.legacy_choice, true);
    EXPECT_EQ(child.window_pos, (WindowPos{100, -200}));
    EXPECT_EQ(child.silent, parent.silent) << child_line;
    EXPECT_EQ(child.passive, parent.passive);
    EXPECT_EQ(child.run_after, parent.run_after);
    EXPECT_EQ(child.update, parent.update);
    EXPECT_EQ(child.no_shortcut, parent.no_shortcut);
    EXPECT_EQ(child.app_arguments, parent.app_arguments);
    EXPECT_EQ(child.log_relay, 4242u) << child_line;
    EXPECT_EQ(child.passthrough, parent.passthrough) << child_line;
  }
}

}  // namespace
}  // namespace vl
