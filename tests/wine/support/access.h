#pragma once
// What a folder's security descriptor allows, judged by the system's access check for chosen
// tokens. Wine keeps no descriptor on its files and enforces none, so the tests of folder
// protection ask the check directly.
#include <windows.h>

#include <string_view>

#include "sys/unique_handle_win.h"

namespace vl::wine_test {

// This process's token (an administrator's under Wine, as an elevated installer's is).
UniqueHandle own_token();
// The same user without the Administrators group, as the user's normal processes run on
// Windows (Wine's limited token keeps the group, so it cannot stand in for them).
UniqueHandle token_without_administrators();

// Whether `token` is granted `desired` on an object owned by the Administrators group (as an
// elevated process's folders are) whose DACL is `dacl_sddl`. A descriptor that does not parse
// or a check that fails fails the test and counts as not granted.
bool is_granted(std::string_view dacl_sddl, HANDLE token, ACCESS_MASK desired);

}  // namespace vl::wine_test
