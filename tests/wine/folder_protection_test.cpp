// The install folder's protection under Wine. Wine 8 keeps a security descriptor given when a
// folder is created only as the Unix permissions it derives from it (the end-to-end test checks
// those), and it enforces nothing on file access: every process is an administrator there. So
// the descriptor is judged by the system's access check for an administrator's token and for
// the same user's without the Administrators group.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "install/file_placement_win.h"
#include "install/folder_protection.h"
#include "install/folder_protection_win.h"
#include "install/install_job.h"
#include "sys/security_win.h"
#include "sys/text_win.h"
#include "wine/support/access.h"
#include "wine/support/files.h"

namespace vl {
namespace {

using namespace wine_test;

TEST(InstallFolder, UsersMayReadAndRunButOnlyAdministratorsChangeAnything) {
  struct Row {
    const char* what;
    ACCESS_MASK desired;
    bool by_user;
  };
  const Row rows[] = {
      {"list and traverse", FILE_LIST_DIRECTORY | FILE_TRAVERSE, true},
      {"read and run what is inside", FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, true},
      {"add a file", FILE_ADD_FILE, false},
      {"add a folder", FILE_ADD_SUBDIRECTORY, false},
      {"delete or replace what is inside", FILE_DELETE_CHILD, false},
      {"rename or delete the folder", DELETE, false},
      {"change its permissions", WRITE_DAC, false},
  };
  UniqueHandle administrator = wine_test::own_token();
  UniqueHandle user = wine_test::token_without_administrators();
  for (const Row& row : rows) {
    EXPECT_TRUE(wine_test::is_granted(PROTECTED_FOLDER_SDDL, administrator.get(), row.desired))
        << row.what;
    EXPECT_EQ(wine_test::is_granted(PROTECTED_FOLDER_SDDL, user.get(), row.desired), row.by_user)
        << row.what;
  }
}

TEST(InstallFolder, TheProtectionIsCutFromTheParentAndPassedOnBelow) {
  Result<UniqueSecurityDescriptor> descriptor =
      security_descriptor_from_sddl(PROTECTED_FOLDER_SDDL);
  ASSERT_TRUE(descriptor) << descriptor.error();
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorControl(descriptor->get(), &control, &revision));
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor->get(), &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl != nullptr);
  EXPECT_TRUE(control & SE_DACL_PROTECTED);
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, &ace));
    EXPECT_EQ(static_cast<ACE_HEADER*>(ace)->AceFlags & VALID_INHERIT_FLAGS,
              OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)
        << "entry " << i;
  }
}

std::string dacl_text(const std::string& path) {
  UniqueLocalMem<void> descriptor;
  UniqueLocalMem<wchar_t> text;
  const DWORD read = GetNamedSecurityInfoW(to_wide(path).c_str(), SE_FILE_OBJECT,
                                          DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                          nullptr, descriptor.put());
  if (read != ERROR_SUCCESS ||
      !ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor.get(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, text.put(), nullptr)) {
    return "unreadable";
  }
  return from_wide(text.get()).value_or("unreadable");
}

TEST(InstallFolder, AnExistingFolderKeepsItsPermissions) {
  TempFolder root;
  const std::string dir = root / "Verilune";
  make_dirs(dir);
  const std::string before = dacl_text(dir);
  InstallJob job;
  job.scope = InstallScope::AllUsers;
  job.install_dir = dir;
  ASSERT_TRUE(create_install_folder(job).ok());
  EXPECT_NE(before, "unreadable");
  EXPECT_EQ(dacl_text(dir), before);
}

// Wine 8 carries out no SetSecurityInfo through a handle opened without following reparse
// points (the read-back permissions stay as they were), so only the walk itself shows here:
// every entry of a tree opened and set without a failure, and the cases that touch nothing.
TEST(InstallFolder, AnExistingAllUsersFolderIsProtectedEntryByEntry) {
  TempFolder root;
  const std::string dir = root / "Verilune";
  make_dirs(dir + "\\sub");
  ASSERT_TRUE(write_file(dir + "\\sub\\theirs.dll", "someone's"));
  ASSERT_TRUE(write_file(dir + "\\verilune.exe", "old"));
  const std::string before = dacl_text(dir);
  InstallJob job;
  job.install_dir = dir;
  job.scope = InstallScope::CurrentUser;
  ASSERT_TRUE(protect_existing_install_folder(job).ok());
  EXPECT_EQ(dacl_text(dir), before) << "a per-user folder is left as it is";
  job.scope = InstallScope::AllUsers;
  Status done = protect_existing_install_folder(job);
  EXPECT_TRUE(done.ok()) << done.error();
  job.install_dir = root / "not yet made";
  EXPECT_TRUE(protect_existing_install_folder(job).ok());
  EXPECT_FALSE(wine_test::dir_exists(job.install_dir));
}

}  // namespace
}  // namespace vl
