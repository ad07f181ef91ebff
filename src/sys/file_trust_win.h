#pragma once
// What an elevated process may trust on disk: folders only administrators can write, files held
// so that nobody can change them, and their Authenticode signatures.
#include <windows.h>

#include <string>
#include <string_view>

#include "sys/file_trust.h"
#include "sys/result.h"
#include "sys/unique_handle_win.h"

namespace vl {

// The DACL of the folders below, as SDDL: protected (nothing inherited from the parent), full
// control for SYSTEM and the Administrators group, inherited by every file and folder inside.
inline constexpr wchar_t ADMIN_ONLY_FOLDER_SDDL[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Creates a new folder in `parent`, named `prefix` and a unique suffix, with the DACL above. An
// existing folder is never reused. Returns its path, or "{path}: {system message}".
Result<std::string> create_admin_only_folder(std::string_view parent, std::string_view prefix);

// Opens `path` for reading while nobody else may write, rename or delete it for as long as the
// handle is held (others may still read and run it). "{path}: {system message}" on failure.
Result<UniqueHandle> hold_file_unchanged(std::string_view path);

// Checks the Authenticode signature of the open `file` (named `path` for the system) with
// WinVerifyTrust's generic policy, without revocation checks or any window, and reports the
// signer of the first signature and the last certificate of its chain. wintrust and crypt32
// are loaded from System32.
FileSignature check_file_signature(HANDLE file, std::string_view path);

}  // namespace vl
