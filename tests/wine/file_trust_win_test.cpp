// The folder an elevated installer downloads into: new, protected from inheritance, and closed
// to everyone but SYSTEM and the Administrators group.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <set>
#include <string>

#include "sys/file_trust_win.h"
#include "sys/paths.h"
#include "sys/text_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"

namespace vl {
namespace {

using wine_test::TempFolder;

struct Dacl {
  bool is_protected = false;
  std::set<std::string> full_control;  // SIDs with full control inherited by files and folders
  std::set<std::string> others;        // SIDs of any other entry
};

Dacl read_dacl(const std::string& path) {
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  Dacl out;
  if (GetNamedSecurityInfoW(to_wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, &acl, nullptr, &descriptor) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot read the DACL of " << path;
    return out;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  out.is_protected = (control & SE_DACL_PROTECTED) != 0;
  for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) continue;
    wchar_t* sid_text = nullptr;
    ConvertSidToStringSidW(&ace->SidStart, &sid_text);
    std::string sid = sid_text ? from_wide(sid_text).value_or("?") : "?";
    LocalFree(sid_text);
    const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    bool full = ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                (ace->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS &&
                (ace->Header.AceFlags & inherit) == inherit;
    (full ? out.full_control : out.others).insert(sid);
  }
  LocalFree(descriptor);
  return out;
}

// Whether a process with the limited token can create a file at `path`.
bool limited_process_can_create(const std::string& path) {
  wine_test::run_unelevated_and_wait("cmd.exe /c echo planted> \"" + path + "\"");
  return wine_test::file_exists(path);
}

TEST(AdminOnlyFolder, IsNewEachTimeAndOnlySystemAndAdministratorsHoldIt) {
  TempFolder parent;
  auto first = create_admin_only_folder(parent.path(), "vl-");
  auto second = create_admin_only_folder(parent.path(), "vl-");
  ASSERT_TRUE(first) << first.error();
  ASSERT_TRUE(second) << second.error();
  EXPECT_NE(*first, *second);
  EXPECT_EQ(parent_folder(*first), parent.path());

  const Dacl dacl = read_dacl(*first);
  EXPECT_TRUE(dacl.is_protected) << "the parent's entries must not flow in";
  EXPECT_EQ(dacl.full_control, (std::set<std::string>{"S-1-5-18", "S-1-5-32-544"}));
  EXPECT_TRUE(dacl.others.empty()) << *dacl.others.begin();

  // The user's own (limited) processes may write beside it, not into it.
  EXPECT_TRUE(limited_process_can_create(parent / "beside.txt"));
  EXPECT_FALSE(limited_process_can_create(join_path(*first, "planted.txt")));
}

TEST(AdminOnlyFolder, AParentThatCannotHoldItGivesThePathAndTheSystemText) {
  TempFolder parent;
  auto made = create_admin_only_folder(parent / "missing", "vl-");
  ASSERT_FALSE(made);
  EXPECT_EQ(made.error().rfind(parent / "missing", 0), 0u) << made.error();
}

}  // namespace
}  // namespace vl
