#include <gtest/gtest.h>

#include <algorithm>

#include "product/installed_state.h"
#include "product/version.h"
#include "setup_app/settle_options.h"
#include "sys/paths.h"
#include "support/versions.h"

namespace vl {
namespace {

TEST(ParseVersion, ReadsPiecesLeniently) {
  struct Case {
    const char* text;
    std::vector<uint64_t> components;
    std::optional<std::string> pre;
  } cases[] = {
      {"3.0.6", {3, 0, 6}, std::nullopt},
      {" 3 . +0 .6 ", {3, 0, 6}, std::nullopt},
      {"3.0.x", {3, 0, 0}, std::nullopt},
      {"3.0.6-beta.1", {3, 0, 6}, "beta.1"},
      {"3.0.6-", {3, 0, 6}, ""},
      {"", {0}, std::nullopt},
      {"+.-", {0, 0}, ""},
      {"18446744073709551615.18446744073709551616", {18446744073709551615ull, 0}, std::nullopt},
      {"1..2", {1, 0, 2}, std::nullopt},
      {"-1", {0}, "1"},
  };
  for (const auto& c : cases) {
    Version v = parse_version(c.text);
    EXPECT_EQ(v.components, c.components) << c.text;
    EXPECT_EQ(v.pre_release, c.pre) << c.text;
  }
}

TEST(CompareVersions, OrdersNumbersThenPreRelease) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {
      {"3.0.6", "3.0.6.0", 0},      {"3.0.6", "3.0.10", -1},   {"3.0.6", "3.0.5.9", 1},
      {"3.0.6", "3.0.6-beta", 1},   {"3.0.6-beta", "3.0.6", -1}, {"3.0.6-a", "3.0.6-b", -1},
      {"3.0.6-b", "3.0.6-ab", 1},   {"3.0.6-ab", "3.0.6-a", 1}, {"3.0.6-rc", "3.0.6-rc", 0},
      {"10", "9.99", 1},
      {"1-\xC3\xA9", "1-z", 1},  // pre-release texts compare as unsigned bytes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compare_versions(parse_version(c.a), parse_version(c.b)), c.expected)
        << c.a << " vs " << c.b;
  }
}

TEST(InstallModeRule, FollowsTheInstalledVersion) {
  EXPECT_EQ(mode_for_installed_version(std::nullopt), InstallMode::Upgrade);
  EXPECT_EQ(mode_for_installed_version(test_versions::older()), InstallMode::Upgrade);
  EXPECT_EQ(mode_for_installed_version(test_versions::own() + "-beta"), InstallMode::Upgrade);
  EXPECT_EQ(mode_for_installed_version(test_versions::own() + ".0"), InstallMode::Reinstall);
  EXPECT_EQ(mode_for_installed_version(test_versions::newer()), InstallMode::Downgrade);
  EXPECT_EQ(mode_for_installed_version("garbage"), InstallMode::Upgrade);  // reads as 0
}

FolderServices fake_folders(bool known = true) {
  FolderServices folders;
  folders.known_folder = [known](InstallScope scope) -> std::optional<std::string> {
    if (!known) return std::nullopt;
    return scope == InstallScope::AllUsers ? R"(C:\Program Files (x86))"
                                           : R"(C:\Users\u\AppData\Local)";
  };
  // Stands in for GetFullPathNameW on the rows below: relative paths against C:\cwd, slashes
  // turned into backslashes.
  folders.full_path = [](const std::string& path) {
    std::string full = is_absolute_path(path) ? path : R"(C:\cwd\)" + path;
    std::replace(full.begin(), full.end(), '/', '\\');
    return full;
  };
  return folders;
}

TEST(PerUserRecordTrustRule, ElevatedOnlyInsideTheProfileAndAResumedCopyNever) {
  struct Row {
    bool elevated;
    bool resumed;
    PerUserRecordTrust trust;
  };
  const Row rows[] = {
      {false, false, PerUserRecordTrust::Full},
      {true, false, PerUserRecordTrust::InsideProfileOnly},
      {true, true, PerUserRecordTrust::None},
      {false, true, PerUserRecordTrust::None},  // "runas" that gave no more rights
  };
  for (const Row& row : rows) {
    EXPECT_EQ(per_user_record_trust(row.elevated, row.resumed), row.trust)
        << row.elevated << row.resumed;
  }
}

TEST(SettleOptions, DefaultsFollowTheScope) {
  CommandLine cmd;
  InstallOptions options = settle_install_options(cmd, InstalledState{}, fake_folders());
  EXPECT_EQ(options.scope, InstallScope::AllUsers);
  EXPECT_EQ(options.install_dir, R"(C:\Program Files (x86)\Verilune)");
  EXPECT_FALSE(options.dir_customized);
  EXPECT_TRUE(options.desktop_shortcut);
  EXPECT_TRUE(options.remove_legacy);

  cmd.scope_choice = InstallScope::CurrentUser;
  cmd.no_shortcut = true;
  options = settle_install_options(cmd, InstalledState{}, fake_folders());
  EXPECT_EQ(options.install_dir, R"(C:\Users\u\AppData\Local\Verilune)");
  EXPECT_FALSE(options.desktop_shortcut);
}

TEST(SettleOptions, ExistingInstallWinsOverSwitches) {
  CommandLine cmd;
  cmd.scope_choice = InstallScope::AllUsers;
  cmd.dir_choice = R"(D:\Elsewhere)";
  InstalledState installed;
  installed.existing = ExistingInstall{R"(C:\Users\u\AppData\Local\Verilune)", "3.0.5", "verilune.exe",
                                       InstallScope::CurrentUser};
  InstallOptions options = settle_install_options(cmd, installed, fake_folders());
  EXPECT_EQ(options.scope, InstallScope::CurrentUser);
  EXPECT_EQ(options.install_dir, R"(C:\Users\u\AppData\Local\Verilune)");
  EXPECT_TRUE(options.dir_customized);      // the switch was given, even if it lost
  EXPECT_FALSE(options.desktop_shortcut);   // an update keeps the desktop as it is
  cmd.desktop_choice = true;
  EXPECT_TRUE(settle_install_options(cmd, installed, fake_folders()).desktop_shortcut);
}

TEST(SettleOptions, NoShortcutYieldsToTheResumeChoice) {
  CommandLine cmd;
  cmd.no_shortcut = true;
  cmd.desktop_choice = true;
  cmd.legacy_choice = false;
  InstallOptions options = settle_install_options(cmd, InstalledState{}, fake_folders());
  EXPECT_TRUE(options.desktop_shortcut);
  EXPECT_FALSE(options.remove_legacy);
}

TEST(SettleOptions, ChosenDirectoriesBecomeFullPaths) {
  struct Case {
    std::optional<std::string> dir;
    bool known_folders;
    const char* expected;
  } cases[] = {
      {"relative\\dir", true, R"(C:\cwd\relative\dir)"},
      {std::nullopt, false, R"(C:\cwd\Verilune)"},
      {R"(\\server\share\V)", true, R"(\\server\share\V)"},
      {"C:/Tools/Verilune", true, R"(C:\Tools\Verilune)"},  // absolute, yet still made full
  };
  for (const Case& c : cases) {
    CommandLine cmd;
    cmd.dir_choice = c.dir;
    EXPECT_EQ(settle_install_options(cmd, InstalledState{}, fake_folders(c.known_folders)).install_dir,
              c.expected)
        << c.dir.value_or("(none)");
  }
}

}  // namespace
}  // namespace vl
