#pragma once
// The protection of the folders an all-users install creates. Inside Program Files a new folder
// inherits that folder's protection. Elsewhere (a folder chosen with /D= or in the wizard, such
// as D:\Apps\Verilune) it would inherit the drive's, which commonly lets every user create and
// change files: one user could then replace binaries that another user or an administrator
// runs. There the folders the installer creates get Program Files' rules instead, with
// inheritance from above cut. A folder that already exists keeps its own permissions.
#include <span>
#include <string>
#include <string_view>

#include "product/product.h"

namespace vl {

// Administrators and SYSTEM: full control; Users: read and execute; both passed on to every
// folder and file below; the parent's entries not inherited (a protected DACL).
inline constexpr std::string_view PROTECTED_FOLDER_SDDL =
    "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

// Whether the folders created for `install_dir` (a full path, "." and ".." resolved) get
// PROTECTED_FOLDER_SDDL: an all-users install whose folder is none of `program_files` and lies
// inside none of them (is_inside_any_separators; empty entries contain nothing).
bool protects_new_folders(InstallScope scope, std::string_view install_dir,
                          std::span<const std::string> program_files);

}  // namespace vl
