// The install folder's protection under Wine. Wine 8 keeps a security descriptor given when a
// folder is created only as the Unix permissions it derives from it (the end-to-end test checks
// those), and it enforces nothing on file access: every process is an administrator there. So
// the descriptor is checked here as the system parses it.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "install/file_placement_win.h"
#include "install/folder_protection.h"
#include "install/install_job.h"
#include "sys/security_win.h"
#include "sys/text_win.h"
#include "wine/support/files.h"

namespace vl {
namespace {

using namespace wine_test;

constexpr ACCESS_MASK CHANGES = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
constexpr ACCESS_MASK READ_AND_EXECUTE = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
constexpr BYTE PASSED_ON = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

TEST(InstallFolder, TheProtectionIsProgramFilesRulesCutFromTheParent) {
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

  int system = 0, administrators = 0, users = 0;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, &ace));
    ASSERT_EQ(static_cast<ACE_HEADER*>(ace)->AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    PSID sid = &allowed->SidStart;
    EXPECT_EQ(allowed->Header.AceFlags & (PASSED_ON | INHERIT_ONLY_ACE), PASSED_ON) << i;
    const bool is_system = IsWellKnownSid(sid, WinLocalSystemSid);
    if (is_system || IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
      EXPECT_EQ(allowed->Mask & FILE_ALL_ACCESS, FILE_ALL_ACCESS) << i;
      ++(is_system ? system : administrators);
    } else if (IsWellKnownSid(sid, WinBuiltinUsersSid)) {
      EXPECT_EQ(allowed->Mask & READ_AND_EXECUTE, READ_AND_EXECUTE);
      EXPECT_EQ(allowed->Mask & CHANGES, 0u);
      ++users;
    } else {
      ADD_FAILURE() << "entry " << i << " is for someone else";
    }
  }
  EXPECT_EQ(system, 1);
  EXPECT_EQ(administrators, 1);
  EXPECT_EQ(users, 1);
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

}  // namespace
}  // namespace vl
