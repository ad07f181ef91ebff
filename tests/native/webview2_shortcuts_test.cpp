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
