// The install folder's protection under Wine. Wine 8 keeps a security descriptor given when a
// folder is created only as the Unix permissions it derives from it, and reads a DACL back from
// those permissions; it enforces nothing on file access (every process is an administrator
// there). So the descriptor is checked as the system parses it, and the new folders only for
// what Wine keeps: they no longer grant the parent's access to everyone.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "install/file_placement_win.h"
#include "install/folder_protection.h"
#include "install/install_job.h"
#include "sys/security_win.h"
#include "sys/text_win.h"
#include "wine/support/files.h"

namespace vl {
namespace {

using namespace wine_test;

// Who an allow entry is for, as far as these tests care.
enum class Trustee { System, Administrators, Users, Everyone, Other };

struct Grant {
  Trustee trustee;
  ACCESS_MASK mask;
  BYTE flags;
};

struct FolderSecurity {
  bool is_protected = false;
  std::vector<Grant> grants;  // allow entries, in order
  std::string sddl;           // the whole DACL as text, for comparisons and messages
};

Trustee trustee_of(PSID sid) {
  if (IsWellKnownSid(sid, WinLocalSystemSid)) return Trustee::System;
  if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return Trustee::Administrators;
  if (IsWellKnownSid(sid, WinBuiltinUsersSid)) return Trustee::Users;
  if (IsWellKnownSid(sid, WinWorldSid)) return Trustee::Everyone;
  return Trustee::Other;
}

std::optional<FolderSecurity> describe(PSECURITY_DESCRIPTOR descriptor) {
  FolderSecurity out;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorControl(descriptor, &control, &revision) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) {
    return std::nullopt;
  }
  out.is_protected = (control & SE_DACL_PROTECTED) != 0;
  UniqueLocalMem<wchar_t> text;
  if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                           DACL_SECURITY_INFORMATION, text.put(), nullptr)) {
    out.sddl = from_wide(text.get()).value_or("");
  }
  for (DWORD i = 0; present && dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return std::nullopt;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    out.grants.push_back({trustee_of(&allowed->SidStart), allowed->Mask, header->AceFlags});
  }
  return out;
}

std::optional<FolderSecurity> read_security(const std::string& path) {
  UniqueLocalMem<void> descriptor;
  if (GetNamedSecurityInfoW(to_wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, nullptr, nullptr, descriptor.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return describe(descriptor.get());
}

bool grants_everyone(const FolderSecurity& security) {
  return std::any_of(security.grants.begin(), security.grants.end(),
                     [](const Grant& grant) { return grant.trustee == Trustee::Everyone; });
}

constexpr ACCESS_MASK CHANGES = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
constexpr ACCESS_MASK READ_AND_EXECUTE = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

// Program Files' rules, protected from the parent's and passed on to everything below: SYSTEM
// and administrators may do everything, users read and run, nobody else is named.
void expect_program_files_rules(const FolderSecurity& security) {
  EXPECT_TRUE(security.is_protected) << security.sddl;
  bool system = false, administrators = false, users = false;
  for (const Grant& grant : security.grants) {
    SCOPED_TRACE(security.sddl);
    EXPECT_EQ(grant.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE),
              OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    switch (grant.trustee) {
      case Trustee::System:
      case Trustee::Administrators:
        EXPECT_EQ(grant.mask & FILE_ALL_ACCESS, FILE_ALL_ACCESS);
        (grant.trustee == Trustee::System ? system : administrators) = true;
        break;
      case Trustee::Users:
        EXPECT_EQ(grant.mask & READ_AND_EXECUTE, READ_AND_EXECUTE);
        EXPECT_EQ(grant.mask & CHANGES, 0u);
        users = true;
        break;
      case Trustee::Everyone:
      case Trustee::Other:
        ADD_FAILURE() << "an entry for someone else";
        break;
    }
  }
  EXPECT_TRUE(system && administrators && users) << security.sddl;
}

InstallJob job(InstallScope scope, const std::string& dir) {
  InstallJob out;
  out.scope = scope;
  out.install_dir = dir;
  return out;
}

TEST(InstallFolder, TheProtectionMeansProgramFilesRules) {
  Result<UniqueSecurityDescriptor> descriptor = security_descriptor_from_sddl(PROTECTED_FOLDER_SDDL);
  ASSERT_TRUE(descriptor) << descriptor.error();
  std::optional<FolderSecurity> security = describe(descriptor->get());
  ASSERT_TRUE(security);
  expect_program_files_rules(*security);
}

TEST(InstallFolder, NewAllUsersFoldersOutsideProgramFilesNoLongerGrantTheParentsAccess) {
  TempFolder root;
  std::optional<FolderSecurity> parent = read_security(root.path());
  ASSERT_TRUE(parent);
  ASSERT_TRUE(grants_everyone(*parent)) << "the check needs a parent open to everyone: " << parent->sddl;
  const std::string apps = root / "Apps";  // a missing parent is created with the protection too
  const std::string dir = apps + "\\Verilune";
  Status created = create_install_folder(job(InstallScope::AllUsers, dir));
  ASSERT_TRUE(created.ok()) << created.error();
  for (const std::string& folder : {apps, dir}) {
    std::optional<FolderSecurity> security = read_security(folder);
    ASSERT_TRUE(security) << folder;
    EXPECT_FALSE(grants_everyone(*security)) << folder << " " << security->sddl;
  }
  const std::string beside = root / "PerUser";
  ASSERT_TRUE(create_install_folder(job(InstallScope::CurrentUser, beside)).ok());
  std::optional<FolderSecurity> per_user = read_security(beside);
  ASSERT_TRUE(per_user);
  EXPECT_TRUE(grants_everyone(*per_user)) << "a per-user folder inherits: " << per_user->sddl;
}

TEST(InstallFolder, AnExistingFolderKeepsItsPermissions) {
  TempFolder root;
  const std::string dir = root / "Verilune";
  make_dirs(dir);
  std::optional<FolderSecurity> before = read_security(dir);
  ASSERT_TRUE(before);
  ASSERT_TRUE(create_install_folder(job(InstallScope::AllUsers, dir)).ok());
  std::optional<FolderSecurity> after = read_security(dir);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->sddl, before->sddl);
}

}  // namespace
}  // namespace vl
