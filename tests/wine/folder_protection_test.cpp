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
#include "install/install_folder_win.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/text.h"
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

// Wine reports every folder as owned by, and writable for, the user who runs it (it keeps no
// descriptor that is set), so what the rules read there is "a non-administrator may change
// it": only the system's own folders above pass on trust, and an existing folder only as
// empty or recorded. Which of the refusals an administrators-only folder would pass, the
// native rule tests show.
TEST(InstallFolder, AnAllUsersRunRefusesFoldersOthersMayChangeBeforeWritingAnything) {
  const std::string program_files = known_folder_path(FOLDERID_ProgramFilesX86).value_or("");
  ASSERT_FALSE(program_files.empty());
  const std::string unique = "vl-test-" + std::to_string(GetCurrentProcessId());
  const std::string ours = join_path(program_files, unique);  // each row's folder: ours + "-…"
  const std::string users = join_path("C:\\", unique);
  struct Row {
    const char* what;
    std::string dir;
    const char* plant;  // a file made there first ("" none; "=" the folder is itself a file)
    bool recorded;
    bool opens;
  };
  const Row rows[] = {
      {"new, below Program Files", ours + "-new\\Verilune", "", false, true},
      {"existing and empty", ours + "-empty", "", false, true},
      {"existing with someone's file", ours + "-full", "theirs.dll", false, false},
      {"this product's recorded folder", ours + "-recorded", "verilune.exe", true, true},
      {"a file", ours + "-file", "=", false, false},
      {"a drive root", "C:\\", "", false, false},
      {"the Windows folder", known_folder_path(FOLDERID_Windows).value_or("C:\\windows"), "", false,
       false},
      {"below a folder a user made", users + "\\Verilune", "", false, false},
      {"inside the profile", known_folder_path(FOLDERID_LocalAppData).value_or("") + "\\" + unique,
       "", false, false},
  };
  make_dirs(users);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const bool existed = row.dir.starts_with(ours) && !row.dir.starts_with(ours + "-new");
    if (existed && std::string_view(row.plant) == "=") {
      ASSERT_TRUE(write_file(row.dir, "x"));
    } else if (existed) {
      make_dirs(row.dir);
      if (*row.plant) ASSERT_TRUE(write_file(join_path(row.dir, row.plant), "theirs"));
    }
    InstallJob job;
    job.scope = InstallScope::AllUsers;
    job.install_dir = row.dir;
    job.folder_is_recorded = row.recorded;
    Result<std::unique_ptr<InstallFolder>> opened = open_install_folder(job);
    EXPECT_EQ(opened.ok(), row.opens) << (opened ? "" : opened.error());
    if (!opened) {
      EXPECT_NE(opened.error().find("бүх хэрэглэгчид суулгах боломжгүй"), std::string::npos)
          << opened.error();
      if (!existed && row.dir.find(unique) != std::string::npos) EXPECT_FALSE(dir_exists(row.dir));
    }
    if (*row.plant && std::string_view(row.plant) != "=")
      EXPECT_EQ(read_file(join_path(row.dir, row.plant)), "theirs");
  }
  for (const Row& row : rows) {
    if (row.dir.starts_with(ours)) delete_tree(row.dir.starts_with(ours + "-new") ? ours + "-new" : row.dir);
  }
  delete_tree(users);
}

// Held without delete sharing, the folder cannot be renamed away (and a junction put in its
// place) while the run holds it; once the run lets go, it can.
TEST(InstallFolder, TheHeldFolderCannotBeRenamedAwayDuringTheRun) {
  const std::string program_files = known_folder_path(FOLDERID_ProgramFilesX86).value_or("");
  const std::string dir = join_path(program_files, "vl-held-" + std::to_string(GetCurrentProcessId()));
  InstallJob job;
  job.scope = InstallScope::AllUsers;
  job.install_dir = dir;
  Result<std::unique_ptr<InstallFolder>> opened = open_install_folder(job);
  ASSERT_TRUE(opened.ok()) << opened.error();
  EXPECT_FALSE(MoveFileExW(to_wide(dir).c_str(), to_wide(dir + "-moved").c_str(), 0));
  opened->reset();
  EXPECT_TRUE(MoveFileExW(to_wide(dir).c_str(), to_wide(dir + "-moved").c_str(), 0));
  delete_tree(dir + "-moved");
}

}  // namespace
}  // namespace vl
