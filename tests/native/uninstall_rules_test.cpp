#include <gtest/gtest.h>

#include <algorithm>

#include "uninstall/uninstall_rules.h"

namespace vl {
namespace {

constexpr std::string_view DIR = "C:\\Program Files (x86)\\Verilune";

TEST(UninstallRules, FindsTheEntryWhoseLocationIsTheOwnFolder) {
  struct Row {
    std::optional<std::string> machine, user;
    std::optional<InstallScope> expected;
  };
  const Row rows[] = {
      {"\"C:\\Program Files (x86)\\Verilune\"", std::nullopt, InstallScope::AllUsers},
      {std::nullopt, "c:\\program files (x86)\\VERILUNE\\", InstallScope::CurrentUser},
      // Both name it: all users first, as the installer reads them.
      {"C:\\Program Files (x86)\\Verilune", "C:\\Program Files (x86)\\Verilune", InstallScope::AllUsers},
      {"C:\\Users\\u\\AppData\\Local\\Verilune", "C:\\Program Files (x86)\\Verilune", InstallScope::CurrentUser},
      {"C:\\Program Files (x86)\\Verilune\\sub", "C:\\Program Files (x86)", std::nullopt},
      {"\"\"", "", std::nullopt},
      {std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    const UninstallEntry entries[] = {{InstallScope::AllUsers, row.machine},
                                      {InstallScope::CurrentUser, row.user}};
    EXPECT_EQ(installation_in(DIR, entries), row.expected)
        << row.machine.value_or("-") << " | " << row.user.value_or("-");
  }
}

TEST(UninstallRules, RemovesSafeNamesWithTheirSideFilesButNotItself) {
  const std::string own = std::string(DIR) + "\\uninstall.exe";
  const std::vector<std::string> names = {"verilune.exe", "UNINSTALL.EXE", "pkcs11\\a.dll",
                                          "..\\x", "C:\\Windows\\x.dll", "a/b.dll"};
  const RemovalPlan plan = plan_removal(DIR, names, own);

  EXPECT_EQ(plan.refused, (std::vector<std::string>{"..\\x", "C:\\Windows\\x.dll", "a/b.dll"}));
  auto planned = [&](const std::string& path) {
    return std::count(plan.files.begin(), plan.files.end(), path);
  };
  const std::string dir(DIR);
  for (const std::string& name : {std::string("verilune.exe"), std::string("pkcs11\\a.dll")}) {
    EXPECT_EQ(planned(dir + "\\" + name), 1) << name;
    EXPECT_EQ(planned(dir + "\\" + name + ".vl-new"), 1) << name;
    EXPECT_EQ(planned(dir + "\\" + name + ".vl-old0"), 1) << name;
  }
  // Its own file goes last, by other means; the leftovers of replacing it go with the rest.
  EXPECT_EQ(planned(dir + "\\UNINSTALL.EXE"), 0);
  EXPECT_EQ(planned(dir + "\\UNINSTALL.EXE.vl-new"), 1);
  for (const std::string& path : plan.files) {
    EXPECT_EQ(path.rfind(dir + "\\", 0), 0u) << path;
  }
}

TEST(UninstallRules, OnlyLinksIntoTheFolderAreTheProducts) {
  const std::pair<std::string_view, bool> rows[] = {
      {"C:\\Program Files (x86)\\Verilune\\verilune.exe", true},
      {"c:\\program files (x86)\\verilune\\sub\\x.exe", true},
      {"C:\\Program Files (x86)\\Verilune", false},
      {"C:\\Program Files (x86)\\Verilune2\\verilune.exe", false},
      {"C:\\Program Files (x86)\\Verilune\\..\\Other\\verilune.exe", false},
      {"verilune.exe", false},
      {"", false},
  };
  for (const auto& [target, expected] : rows) EXPECT_EQ(link_points_into(DIR, target), expected) << target;
}

TEST(UninstallRules, TheElevatedCopyIsSilentMarkedAndKeepsTheLog) {
  EXPECT_EQ(relaunch_arguments(std::nullopt), "/S --vl-resume");
  const std::string with_log = relaunch_arguments(std::string("C:\\my logs\\u.log"));
  EXPECT_NE(with_log.find("\"--vl-log=C:\\my logs\\u.log\""), std::string::npos) << with_log;
}

}  // namespace
}  // namespace vl
