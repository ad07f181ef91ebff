#pragma once
// Every rule about Windows paths in UTF-8 text: building them, taking them apart, telling
// absolute ones, names that must stay inside a folder, and comparing them. The engine builds
// paths with backslashes; where a rule also takes slashes its contract says so.
#include <string>
#include <string_view>
#include <vector>

namespace vl {

// Joins a directory and a name with one backslash (no doubling when the directory ends in one).
std::string join_path(std::string_view dir, std::string_view name);

// The last component of a path, after the last backslash or slash ("" when the path ends in one).
std::string_view file_name_of(std::string_view path);
// The folder part of a path ("C:\a\b.dll" -> "C:\a"); a root keeps its separator ("D:\b.dll"
// -> "D:\", "\b.dll" -> "\"); empty for a bare name. Backslash or slash separates.
std::string parent_folder(std::string_view path);
// The components between backslashes or slashes; empty ones (doubled separators) are dropped.
std::vector<std::string_view> path_components(std::string_view path);

// A path that names a location on its own: "X:\…" or "X:/…", or a UNC path "\\server\share…"
// (also "\\?\…") with a non-empty server name.
bool is_absolute_path(std::string_view path);

// A location read back from the registry: trimmed, quotes and trailing backslashes stripped;
// a bare drive keeps one backslash.
std::string normalize_location(std::string_view text);

// Relative names the engine accepts (payload entries, the previous installation's file list,
// the previous main binary): they must stay inside the install directory and mean the same
// file on every Windows file system. Valid UTF-8, not empty; backslash-separated components,
// none of them empty, "." or "..", ending in a dot or a space, or a reserved device name (CON,
// NUL, COM1…); no drive, UNC or absolute form, no ':' or '/', no control characters and none
// of < > " | ? *.
bool is_valid_entry_name(std::string_view name);
// A valid entry name without subfolders.
bool is_plain_file_name(std::string_view name);

// Paths: trailing backslashes dropped, full lower-casing, then equal.
bool same_path(std::string_view a, std::string_view b);
// The form same_path compares: same_path(a, b) exactly when path_key(a) == path_key(b), so
// that many paths are compared through a set rather than pair by pair.
std::string path_key(std::string_view path);
// File names: equal length and equal bytes after mapping ASCII A..Z to lower case.
bool same_name(std::string_view a, std::string_view b);

// Two containment rules that differ on purpose:
// is_inside: the backslash components of `dir` (trailing backslashes dropped, full
// lower-casing) are a prefix of those of `path`. For paths the engine built itself.
bool is_inside(std::string_view dir, std::string_view path);
// is_inside_any_separators: `inner` is `outer` or lies below it, comparing path_components
// (slashes and doubled separators count as one separator; full lower-casing; "." and ".." are
// taken literally, so callers refuse paths holding them). An empty `outer` contains nothing.
// For paths read from elsewhere, before a whole-tree deletion.
bool is_inside_any_separators(std::string_view outer, std::string_view inner);

// Whether `path` lies in the user's profile folder `profile` (or is it), both full paths as
// GetFullPathNameW makes them: a drive path "X:\…" with no "." or ".." component and no ':'
// past its drive, inside `profile` by is_inside_any_separators. Anything else ("\\?\" and UNC
// forms, stream names, a profile that is not a drive path) is outside. What it cannot see, a
// reparse point on the way, the caller checks on disk.
bool is_inside_profile(std::string_view profile, std::string_view path);

}  // namespace vl
