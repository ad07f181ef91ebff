#include "install/folder_protection_win.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "sys/security_win.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

namespace {

std::string sid_text(PSID sid) {
  UniqueLocalMem<wchar_t> text;
  if (sid == nullptr || !ConvertSidToStringSidW(sid, text.put())) return {};
  return from_wide(text.get()).value_or("");
}

}  // namespace

std::optional<FolderSecurity> read_security(HANDLE handle) {
  UniqueLocalMem<void> descriptor;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                      &owner, nullptr, &dacl, nullptr, descriptor.put()) != ERROR_SUCCESS)
    return std::nullopt;
  FolderSecurity security;
  security.owner = sid_text(owner);
  security.has_dacl = dacl != nullptr;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return std::nullopt;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    AccessEntry entry;
    entry.inherit_only = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
      const auto* simple = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
      entry.allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
      entry.mask = simple->Mask;
      entry.sid = sid_text(const_cast<DWORD*>(&simple->SidStart));
    } else {
      // Any other kind of entry (callback, object, audit…) counts as giving everything to
      // someone unknown, unless it only denies.
      entry.allows = header->AceType != ACCESS_DENIED_CALLBACK_ACE_TYPE &&
                     header->AceType != ACCESS_DENIED_OBJECT_ACE_TYPE &&
                     header->AceType != SYSTEM_AUDIT_ACE_TYPE;
      entry.mask = GENERIC_ALL;
    }
    security.entries.push_back(std::move(entry));
  }
  return security;
}

bool administrators_only(HANDLE folder) {
  std::optional<FolderSecurity> security = read_security(folder);
  return security && only_administrators_change(*security);
}

// Makes the empty folder open through `folder` Administrators' and protected.
bool protect_empty_folder(HANDLE folder) {
  Result<UniqueSecurityDescriptor> descriptor =
      security_descriptor_from_sddl("O:BA" + std::string(PROTECTED_FOLDER_SDDL));
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  if (!descriptor || !GetSecurityDescriptorOwner(descriptor->get(), &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(descriptor->get(), &present, &dacl, &defaulted))
    return false;
  return SetSecurityInfo(folder, SE_FILE_OBJECT,
                         DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION |
                             OWNER_SECURITY_INFORMATION,
                         owner, nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

}  // namespace vl
