#pragma once
// Reading and setting the protection of an existing folder through a handle held on it. (Win32.)
#include <windows.h>

#include <optional>

#include "install/folder_protection.h"

namespace vl {

// The owner and access entries of the entry open through `handle` (opened with READ_CONTROL);
// absent when they cannot be read.
std::optional<FolderSecurity> read_security(HANDLE handle);

// only_administrators_change for the folder open through `folder`; false when unreadable.
bool administrators_only(HANDLE folder);

// Makes the empty folder open through `folder` (with WRITE_DAC and WRITE_OWNER) Administrators'
// own, with PROTECTED_FOLDER_SDDL; false when the system refuses.
bool protect_empty_folder(HANDLE folder);

}  // namespace vl
