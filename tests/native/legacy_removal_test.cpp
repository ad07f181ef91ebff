#include <gtest/gtest.h>

#include "install/legacy_removal.h"
#include "sys/paths.h"
#include "sys/program_launch.h"

namespace vl {
namespace {

constexpr const char* kCode = "{6E1A43F2-5B7C-4B8E-9D21-3C4F5A6B7C81}";

TEST(MsiexecArguments, SilentRunIsFullyQuietInteractiveShowsBasicUi) {
  EXPECT_EQ(legacy_uninstall_arguments(kCode, true),
            "/x {6E1A43F2-5B7C-4B8E-9D21-3C4F5A6B7C81} /qn /norestart");
  EXPECT_EQ(legacy_uninstall_arguments(kCode, false),
            "/x {6E1A43F2-5B7C-4B8E-9D21-3C4F5A6B7C81} /qb-! /norestart");
  EXPECT_EQ(previous_msi_uninstall_arguments(kCode),
            "/x {6E1A43F2-5B7C-4B8E-9D21-3C4F5A6B7C81} /qb-! /norestart");
}

TEST(MsiexecCommandLine, PathIsQuotedArgumentsFollowAfterOneSpace) {
  EXPECT_EQ(quoted_command_line("C:\\Windows\\system32\\msiexec.exe",
                                previous_msi_uninstall_arguments("{A}")),
            "\"C:\\Windows\\system32\\msiexec.exe\" /x {A} /qb-! /norestart");
}

TEST(MsiexecPath, SystemFolderThenSystemDirectoryNeverABareName) {
  struct Case {
    std::optional<std::string> known_folder;
    std::optional<std::string> system_directory;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"C:\\Windows\\system32", "C:\\Windows\\SysWOW64", "C:\\Windows\\system32\\msiexec.exe"},
      {std::nullopt, "C:\\Windows\\system32", "C:\\Windows\\system32\\msiexec.exe"},
      {"", "C:\\WINDOWS\\system32\\", "C:\\WINDOWS\\system32\\msiexec.exe"},
      {" \t", "D:\\Win\\System32", "D:\\Win\\System32\\msiexec.exe"},
      {std::nullopt, std::nullopt, std::nullopt},
      {std::nullopt, "", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(msiexec_path(c.known_folder, c.system_directory), c.expected)
        << c.known_folder.value_or("(none)") << " / " << c.system_directory.value_or("(none)");
  }
}

struct FolderCase {
  const char* scenario;
  const char* location;
  const char* install_dir;
  LegacyFolderAction expected;
};

class LegacyFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(LegacyFolder, DecidesBetweenTreeExecutablesAndNothing) {
  const FolderCase& c = GetParam();
  EXPECT_EQ(legacy_folder_action(c.location, c.install_dir), c.expected) << c.scenario;
}

constexpr const char* kInstall = "C:\\Program Files (x86)\\Verilune";
using A = LegacyFolderAction;

INSTANTIATE_TEST_SUITE_P(
    Locations, LegacyFolder,
    testing::Values(
        FolderCase{"the client's own folder goes whole",
                   "C:\\Program Files (x86)\\osmira\\VeriluneClient", kInstall, A::RemoveTree},
        FolderCase{"its name in another case too", "C:\\Apps\\veriluneclient", kInstall,
                   A::RemoveTree},
        FolderCase{"trailing backslash", "C:\\Apps\\VERILUNECLIENT\\", kInstall, A::RemoveTree},
        FolderCase{"a shared folder loses only the executables", "C:\\Program Files\\Osmira",
                   kInstall, A::RemoveExecutables},
        FolderCase{"a name that only contains VeriluneClient is not the client's folder",
                   "C:\\Apps\\VeriluneClient2", kInstall, A::RemoveExecutables},
        FolderCase{"a relative location is not touched", "VeriluneClient", kInstall, A::Nothing},
        FolderCase{"a drive-relative location is not touched", "C:VeriluneClient", kInstall,
                   A::Nothing},
        FolderCase{"a folder holding the install directory is not deleted whole",
                   "C:\\Program Files (x86)\\Verilune\\..\\VeriluneClient", kInstall,
                   A::RemoveExecutables},
        FolderCase{"the install directory inside the client's folder keeps the tree",
                   "C:\\Apps\\VeriluneClient", "C:\\apps\\veriluneclient\\Verilune",
                   A::RemoveExecutables},
        FolderCase{"the install directory being the client's folder keeps the tree",
                   "C:\\Apps\\VeriluneClient", "c:\\APPS\\VeriluneClient\\", A::RemoveExecutables},
        FolderCase{"a sibling with a common prefix is not inside",
                   "C:\\Apps\\VeriluneClient", "C:\\Apps\\VeriluneClientNew", A::RemoveTree},
        FolderCase{"a UNC location is absolute", "\\\\server\\share\\VeriluneClient", kInstall,
                   A::RemoveTree},
        FolderCase{"slashes and doubled separators do not hide the install directory",
                   "C:/Apps//VeriluneClient", "C:\\Apps\\VeriluneClient\\Verilune",
                   A::RemoveExecutables}),
    [](const testing::TestParamInfo<FolderCase>& info) { return "case" + std::to_string(info.index); });

// Only a real shell link is taken from a Startup folder the user may have pointed anywhere.
TEST(StartupLink, OnlyAShellLinkHeaderCounts) {
  const std::vector<unsigned char> link = {0x4C, 0,    0, 0, 0x01, 0x14, 0x02, 0, 0,    0,    0,
                                           0,    0xC0, 0, 0, 0,    0,    0,    0, 0x46, 0x9B, 0x00};
  std::vector<unsigned char> other_class = link;
  other_class[4] = 0x02;
  std::vector<unsigned char> program = {'M', 'Z', 0x90, 0,    3, 0, 0,    0, 4, 0,
                                        0,   0,   0xFF, 0xFF, 0, 0, 0xB8, 0, 0, 0};
  EXPECT_TRUE(is_shell_link_header(link));
  EXPECT_FALSE(is_shell_link_header(std::span(link).first(19)));  // cut short
  EXPECT_FALSE(is_shell_link_header(other_class));
  EXPECT_FALSE(is_shell_link_header(program));
  EXPECT_FALSE(is_shell_link_header({}));
}

}  // namespace
}  // namespace vl
