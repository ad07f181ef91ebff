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

}  // namespace
}  // namespace vl
