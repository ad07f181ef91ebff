#pragma once
// Known folders, full paths and file-system presence.
#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <string_view>

namespace vl {

// SHGetKnownFolderPath (flags 0, no token); nullopt when the folder cannot be obtained.
std::optional<std::string> known_folder_path(REFKNOWNFOLDERID id);
// The full path GetFullPathNameW makes of `path`: relative against the current directory,
// slashes turned into backslashes, doubled separators, "." and ".." resolved (unchanged when
// that fails).
std::string absolute_path(const std::string& path);
// Whether `path` (a full path inside `root`, root included) passes through a reparse point
// (junction, symbolic link, mount point) on the way down from `root`, looked at folder by
// folder as far as the path exists. A component whose attributes cannot be read for a reason
// other than its absence counts as one: the caller cannot vouch for it.
bool passes_reparse_point(std::string_view root, std::string_view path);
// True for a file system entry of any kind.
bool path_exists(std::string_view path);

}  // namespace vl
