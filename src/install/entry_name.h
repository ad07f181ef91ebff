#pragma once
// Which relative file names the engine accepts: payload entry names, names of the previous
// installation's file list and the previous main binary. A name must stay inside the install
// directory and mean the same file on every Windows file system.
#include <string_view>

namespace vl {

// Valid UTF-8, not empty; backslash-separated components, none of them empty, "." or "..",
// ending in a dot or a space, or a reserved device name (CON, NUL, COM1…); no drive, UNC or
// absolute form, no ':' or '/', no control characters and none of < > " | ? *.
bool is_valid_entry_name(std::string_view name);

// A valid entry name without subfolders.
bool is_plain_file_name(std::string_view name);

}  // namespace vl
