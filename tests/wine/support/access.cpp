#include "wine/support/access.h"

#include <gtest/gtest.h>

#include <string>

#include "sys/security_win.h"
#include "sys/text_win.h"

namespace vl::wine_test {

UniqueHandle own_token() {
  UniqueHandle token;
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(),
                               TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, token.put()));
  return token;
}

UniqueHandle token_without_administrators() {
  UniqueHandle own = own_token();
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof administrators;
  EXPECT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sid_size));
  SID_AND_ATTRIBUTES disabled{administrators, 0};
  UniqueHandle user;
  EXPECT_TRUE(
      CreateRestrictedToken(own.get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, user.put()));
  return user;
}

bool is_granted(std::string_view dacl_sddl, HANDLE token, ACCESS_MASK desired) {
  Result<UniqueSecurityDescriptor> descriptor =
      security_descriptor_from_sddl("O:BAG:BA" + std::string(dacl_sddl));
  if (!descriptor) {
    ADD_FAILURE() << dacl_sddl << ": " << descriptor.error();
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
                 AccessCheck(descriptor->get(), impersonation.get(), desired, &mapping,
                             &privileges, &privileges_size, &granted, &allowed);
  EXPECT_TRUE(checked) << last_error_text("AccessCheck");
  return checked && allowed;
}

}  // namespace vl::wine_test
