#include <gtest/gtest.h>

#include <algorithm>

#include "uninstall/uninstall_rules.h"

namespace vl {
namespace {

constexpr std::string_view DIR = "C:\\Program Files (x86)\\Verilune";

// A command line of ASCII arguments, as the copy would read it.
CommandLine parsed(const std::string& arguments) {
  return parse_command_line(u"uninstall.exe " + std::u16string(arguments.begin(), arguments.end()));
}

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

TEST(UninstallRules, TheElevatedCopyIsSilentMarkedAndLogsThroughTheRelay) {
  EXPECT_EQ(relaunch_arguments(std::nullopt), "/S --vl-resume");
  const CommandLine copy = parsed(relaunch_arguments(4242u));
  EXPECT_TRUE(copy.silent && copy.resume);
  EXPECT_EQ(copy.log_relay, 4242u);
  EXPECT_FALSE(copy.log_path);  // no path reaches the elevated copy
}

TEST(UninstallRules, OnlyTheCopysOwnArgumentsMakeTheRemovalCopysRun) {
  const std::string copy_folder = "C:\\Users\\u\\AppData\\Local\\Temp\\Verilune-uninstall-1";
  const std::string dir(DIR);
  const std::pair<std::string, std::optional<std::string>> rows[] = {
      {removal_copy_arguments(DIR), dir},
      {removal_copy_arguments(dir + "\\"), dir},
      {"\"_?=" + dir + "\"", std::nullopt},                 // no --vl-from-temp
      {"--vl-from-temp /D=" + dir, std::nullopt},           // not the copy's folder switch
      {removal_copy_arguments(copy_folder), std::nullopt},  // its own folder
      {removal_copy_arguments("Verilune"), std::nullopt},   // relative
      {"/S --vl-from-temp", std::nullopt},
  };
  for (const auto& [arguments, expected] : rows)
    EXPECT_EQ(removal_copy_folder(parsed(arguments), copy_folder), expected) << arguments;
}

}  // namespace
}  // namespace vl
