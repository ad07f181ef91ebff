#include <gtest/gtest.h>

#include "install/shortcuts.h"
#include "install/webview2.h"

namespace vl {
namespace {

TEST(WebView2Version, OnlyANonEmptyVersionOtherThanZerosCounts) {
  struct Case {
    std::optional<std::string> pv;
    bool present;
  };
  const Case cases[] = {{std::nullopt, false}, {"", false}, {"0.0.0.0", false},
                        {"120.0.2210.91", true}, {"0.0.0.1", true}, {"0.0.0.0 ", true}};
  for (const Case& c : cases) EXPECT_EQ(is_webview2_version(c.pv), c.present) << c.pv.value_or("<none>");
}

TEST(BootstrapperRefusal, OnlyTheExpectedSignerUnderAnExpectedRootMayRun) {
  const ExpectedSigner expected{"Microsoft Corporation", {"aa11", "bb22"}};
  using State = FileSignature::State;
  auto signed_by = [](std::string name, std::string organization, std::string root) {
    return FileSignature{State::Valid, "", name, organization, "Some Root", root};
  };
  struct Case {
    const char* name;
    FileSignature signature;
    std::optional<std::string> refusal;
  };
  const std::string foreign =
      "Татаж авсан WebView2 суулгагчийн гарын үсэг Microsoft Corporation-ынх биш";
  const Case cases[] = {
      {"expected, first root", signed_by("Microsoft Corporation", "Microsoft Corporation", "aa11"),
       std::nullopt},
      {"expected, second root", signed_by("Microsoft Corporation", "Microsoft Corporation", "bb22"),
       std::nullopt},
      {"someone else", signed_by("Someone Else", "Someone Else", "aa11"),
       foreign + " (Someone Else / Some Root) тул ажиллуулсангүй."},
      {"the name under another organisation", signed_by("Microsoft Corporation", "Contoso", "aa11"),
       foreign},
      {"another organisation's name", signed_by("Contoso", "Microsoft Corporation", "aa11"),
       foreign},
      {"another root", signed_by("Microsoft Corporation", "Microsoft Corporation", "cc33"),
       foreign},
      {"no root read", signed_by("Microsoft Corporation", "Microsoft Corporation", ""), foreign},
      {"unsigned",
       {State::Unsigned},
       "Татаж авсан WebView2 суулгагч гарын үсэггүй тул ажиллуулсангүй."},
      {"altered",
       {State::Altered},
       "Татаж авсан WebView2 суулгагч гарын үсэг зурсны дараа өөрчлөгдсөн тул ажиллуулсангүй."},
      {"check failed",
       {State::Invalid, "the chain is broken", "Microsoft Corporation", "Microsoft Corporation",
        "Some Root", "aa11"},
       "Татаж авсан WebView2 суулгагчийн гарын үсгийг шалгаж чадсангүй: the chain is broken"},
  };
  for (const Case& c : cases) {
    std::optional<std::string> refusal = bootstrapper_refusal(c.signature, expected);
    if (!c.refusal) {
      EXPECT_EQ(refusal, std::nullopt) << c.name;
    } else {
      ASSERT_TRUE(refusal) << c.name;
      EXPECT_EQ(refusal->rfind(*c.refusal, 0), 0u) << c.name << ": " << *refusal;
    }
  }
}

TEST(WebView2ExitCodeText, ShowsTheCodeAsAnUnsignedDecimal) {
  EXPECT_EQ(webview2_exit_code_text(1), "WebView2 суулгах үед 1 кодоор зогслоо. Үүнгүйгээр Verilune ажиллахгүй.");
  EXPECT_EQ(webview2_exit_code_text(0x80070005u),
            "WebView2 суулгах үед 2147942405 кодоор зогслоо. Үүнгүйгээр Verilune ажиллахгүй.");
}

TEST(MainBinaryRenamed, OnlyAnotherNameThanVeriluneExe) {
  EXPECT_FALSE(main_binary_renamed(std::nullopt));
  EXPECT_FALSE(main_binary_renamed("verilune.exe"));
  EXPECT_FALSE(main_binary_renamed("VERILUNE.EXE"));
  EXPECT_TRUE(main_binary_renamed("Verilune Key.exe"));
}

TEST(ShortcutPlan, StartMenuThenDesktopEachCreatedOnlyWhenItsFlagIsSet) {
  InstallJob job;
  job.create_start_menu_shortcut = true;
  job.create_desktop_shortcut = false;
  auto actions = plan_shortcuts(job, std::string("C:\\P"), std::string("C:\\D\\"));
  ASSERT_EQ(actions.size(), 2u);
  EXPECT_EQ(actions[0].link, "C:\\P\\Verilune.lnk");
  EXPECT_TRUE(actions[0].create);
  EXPECT_EQ(actions[1].link, "C:\\D\\Verilune.lnk");
  EXPECT_FALSE(actions[1].create);

  // A folder that could not be resolved skips its link.
  auto only_desktop = plan_shortcuts(job, std::nullopt, std::string("C:\\D"));
  ASSERT_EQ(only_desktop.size(), 1u);
  EXPECT_EQ(only_desktop[0].link, "C:\\D\\Verilune.lnk");
}

}  // namespace
}  // namespace vl
