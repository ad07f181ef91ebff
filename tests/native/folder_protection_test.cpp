#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/folder_protection.h"

namespace vl {
namespace {

struct ProtectionRow {
  InstallScope scope;
  const char* install_dir;
  bool protects;
};

TEST(FolderProtection, OnlyAllUsersFoldersOutsideProgramFiles) {
  // As a 32-bit process on 64-bit Windows sees them; the 64-bit folder is not obtainable there.
  const std::vector<std::string> program_files = {"C:\\Program Files (x86)",
                                                  "C:\\Program Files (x86)", ""};
  const ProtectionRow rows[] = {
      {InstallScope::AllUsers, "C:\\Program Files (x86)\\Verilune", false},
      {InstallScope::AllUsers, "c:\\PROGRAM FILES (X86)\\osmira\\Verilune", false},
      {InstallScope::AllUsers, "C:\\Program Files (x86)", false},
      {InstallScope::AllUsers, "C:/Program Files (x86)/Verilune", false},
      {InstallScope::AllUsers, "D:\\Apps\\Verilune", true},
      {InstallScope::AllUsers, "C:\\Program Files (x86) Extra\\Verilune", true},
      {InstallScope::AllUsers, "C:\\Program Files\\Verilune", true},
      {InstallScope::AllUsers, "\\\\server\\share\\Verilune", true},
      {InstallScope::CurrentUser, "D:\\Apps\\Verilune", false},
      {InstallScope::CurrentUser, "C:\\Users\\bat\\AppData\\Local\\Verilune", false},
  };
  for (const ProtectionRow& row : rows) {
    EXPECT_EQ(protects_new_folders(row.scope, row.install_dir, program_files), row.protects)
        << row.install_dir;
  }
  EXPECT_TRUE(
      protects_new_folders(InstallScope::AllUsers, "C:\\Program Files (x86)\\Verilune", {}));
}

TEST(OnlyAdministratorsChange, OwnerAndEveryEntryThatAppliesToTheFolderDecide) {
  const std::string BA = "S-1-5-32-544", SY = "S-1-5-18", BU = "S-1-5-32-545",
                    AU = "S-1-5-11", ME = "S-1-5-21-1-2-3-1001";
  const uint32_t READ_RUN = 0x1200a9, FULL = 0x1f01ff, ADD_FILE = 0x2, ADD_FOLDER = 0x4,
                 DELETE_CHILD = 0x40, DELETE = 0x10000, WRITE_DAC = 0x40000,
                 GENERIC_WRITE = 0x40000000;
  struct Row {
    const char* what;
    FolderSecurity security;
    bool only_administrators;
  };
  const Row rows[] = {
      {"Program Files' kind", {BA, {{SY, FULL}, {BA, FULL}, {BU, READ_RUN}}}, true},
      {"the system drive's root: users may add folders", {SY, {{BA, FULL}, {AU, ADD_FOLDER}}}, true},
      {"owned by a user", {ME, {{BA, FULL}}}, false},
      {"users may add files", {BA, {{BU, READ_RUN | ADD_FILE}}}, false},
      {"users may delete what it holds", {BA, {{AU, DELETE_CHILD}}}, false},
      {"a user may rename it", {BA, {{ME, DELETE}}}, false},
      {"a user may rewrite its permissions", {BA, {{ME, WRITE_DAC}}}, false},
      {"generic write", {BA, {{BU, GENERIC_WRITE}}}, false},
      {"full control passed on below only", {BA, {{ME, FULL, true, true}}}, true},
      {"a deny entry takes nothing away from the rule", {BA, {{ME, FULL, false}}}, true},
      {"no DACL at all", {BA, {}, false}, false},
      {"owner unknown", {"", {}}, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(only_administrators_change(row.security), row.only_administrators) << row.what;
}

TEST(InstallTargets, RootsAndSystemFoldersAreKnown) {
  const std::vector<std::string> system{"C:\\Windows", "C:\\Program Files (x86)", "C:\\Users"};
  const std::vector<std::string> below{"C:\\Windows", "C:\\Users\\me"};
  struct Row {
    const char* path;
    bool root, system;
  };
  const Row rows[] = {
      {"C:\\", true, false},
      {"D:", true, false},
      {"\\\\server\\share", true, false},
      {"\\\\?\\C:\\", true, false},
      {"C:\\Program Files (x86)", false, true},
      {"c:\\program files (x86)\\", false, true},
      {"C:\\Program Files (x86)\\Verilune", false, false},
      {"C:\\Windows\\Verilune", false, true},
      {"C:\\Users\\me\\Verilune", false, true},
      {"C:\\Users", false, true},
      {"C:\\Users\\Public\\Verilune", false, false},  // (its parent's permissions refuse it)
      {"D:\\Apps\\Verilune", false, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(is_volume_root(row.path), row.root) << row.path;
    EXPECT_EQ(is_system_folder(row.path, system, below), row.system) << row.path;
  }
  const std::vector<std::string> trusted{"C:\\Program Files (x86)", "C:\\Windows"};
  EXPECT_TRUE(is_trusted_ancestor("C:\\", trusted));
  EXPECT_TRUE(is_trusted_ancestor("C:\\Program Files (x86)", trusted));
  EXPECT_FALSE(is_trusted_ancestor("C:\\Program Files (x86)\\Vendor", trusted));
  EXPECT_FALSE(is_trusted_ancestor("D:\\", trusted));
}

}  // namespace
}  // namespace vl
