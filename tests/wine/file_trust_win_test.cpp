// The folder an elevated installer downloads into: new each time, and closed to all but SYSTEM
// and the Administrators group. Wine keeps no security descriptor on its files (it reads back a
// DACL made from the Unix permissions, and a limited process may write into the folder), so the
// folder's descriptor is judged by the system's access check for each kind of token.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "sys/file_trust_win.h"
#include "sys/paths.h"
#include "sys/text_win.h"
#include "wine/support/access.h"
#include "wine/support/files.h"

namespace vl {
namespace {

using wine_test::TempFolder;

TEST(AdminOnlyFolder, OnlyAnAdministratorsTokenMayWriteInIt) {
  using wine_test::is_granted;
  EXPECT_TRUE(is_granted(ADMIN_ONLY_FOLDER_SDDL, wine_test::own_token().get(), FILE_ADD_FILE))
      << "the elevated installer itself";
  EXPECT_FALSE(is_granted(ADMIN_ONLY_FOLDER_SDDL, wine_test::token_without_administrators().get(),
                          FILE_ADD_FILE))
      << "the same user without administrator rights";
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
