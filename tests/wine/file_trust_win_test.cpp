// The folder an elevated installer downloads into: new each time, and closed to all but SYSTEM
// and the Administrators group. Wine keeps no security descriptor on its files (it reads back a
// DACL made from the Unix permissions, and a limited process may write into the folder), so the
// folder's descriptor is judged by the system's access check for each kind of token.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>

#include "sys/file_trust_win.h"
#include "sys/paths.h"
#include "sys/text_win.h"
#include "wine/support/files.h"

namespace vl {
namespace {

using wine_test::TempFolder;

// Whether `token` may create a file in a folder carrying ADMIN_ONLY_FOLDER_SDDL (owned by the
// Administrators group, as an elevated process's folders are).
bool may_add_file(HANDLE token) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::wstring sddl = std::wstring(L"O:BAG:BA") + ADMIN_ONLY_FOLDER_SDDL;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    ADD_FAILURE() << "the folder's SDDL does not parse";
    return false;
  }
  UniqueHandle impersonation;
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                          FILE_ALL_ACCESS};
  PRIVILEGE_SET privileges{};
  DWORD privileges_size = sizeof privileges;
  DWORD granted = 0;
  BOOL allowed = FALSE;
  bool checked = DuplicateToken(token, SecurityIdentification, impersonation.put()) &&
                 AccessCheck(descriptor, impersonation.get(), FILE_ADD_FILE, &mapping, &privileges,
                             &privileges_size, &granted, &allowed);
  LocalFree(descriptor);
  EXPECT_TRUE(checked) << last_error_text("AccessCheck");
  return checked && allowed;
}

TEST(AdminOnlyFolder, OnlyAnAdministratorsTokenMayWriteInIt) {
  UniqueHandle own;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(),
                               TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, own.put()));
  // The same user without the Administrators group, as the user's normal processes run on
  // Windows (Wine's limited token keeps the group, so it cannot stand in for them).
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof administrators;
  ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sid_size));
  SID_AND_ATTRIBUTES disabled{administrators, 0};
  UniqueHandle user;
  ASSERT_TRUE(
      CreateRestrictedToken(own.get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, user.put()));
  EXPECT_TRUE(may_add_file(own.get())) << "the elevated installer itself";
  EXPECT_FALSE(may_add_file(user.get())) << "the same user without administrator rights";
}

TEST(AdminOnlyFolder, IsANewFolderEachTime) {
  TempFolder parent;
  auto first = create_admin_only_folder(parent.path(), "vl-");
  auto second = create_admin_only_folder(parent.path(), "vl-");
  ASSERT_TRUE(first) << first.error();
  ASSERT_TRUE(second) << second.error();
  EXPECT_NE(*first, *second);
  EXPECT_EQ(parent_folder(*first), parent.path());
  EXPECT_TRUE(wine_test::dir_exists(*first));
  // A parent that does not exist: the path and the system's text.
  auto orphan = create_admin_only_folder(parent / "missing", "vl-");
  ASSERT_FALSE(orphan);
  EXPECT_EQ(orphan.error().rfind(parent / "missing", 0), 0u) << orphan.error();
  // No parent known (no temporary folder): never the current folder.
  EXPECT_FALSE(create_admin_only_folder("", "vl-"));
}

TEST(HeldFile, NobodyMayWriteRenameOrDeleteItWhileOthersMayReadIt) {
  TempFolder folder;
  const std::string path = folder / "held.exe";
  ASSERT_TRUE(wine_test::write_file(path, "program"));
  auto opens = [&](DWORD access) {
    UniqueHandle other(CreateFileW(to_wide(path).c_str(), access,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    return other.valid();
  };
  {
    auto held = hold_file_unchanged(path);
    ASSERT_TRUE(held) << held.error();
    EXPECT_FALSE(opens(GENERIC_WRITE));
    EXPECT_FALSE(opens(DELETE));
    EXPECT_TRUE(opens(GENERIC_READ | FILE_EXECUTE)) << "the program must still start";
  }
  EXPECT_TRUE(opens(GENERIC_WRITE | DELETE)) << "released with its handle";
}

}  // namespace
}  // namespace vl
