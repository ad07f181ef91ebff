#pragma once
// Comparing paths and names the way the engine does everywhere it asks whether two refer to
// the same file.
#include <string>
#include <string_view>

namespace vl {

// Paths: trailing backslashes dropped, full lower-casing, then equal.
bool same_path(std::string_view a, std::string_view b);
// File names: equal length and equal bytes after mapping ASCII A..Z to lower case.
bool same_name(std::string_view a, std::string_view b);
// The folder part of a path ("C:\a\b.dll" -> "C:\a", "D:\b.dll" -> "D:\"); empty for a bare
// name.
std::string parent_folder(std::string_view path);
// The last component of a path.
std::string_view file_name_of(std::string_view path);
// True when the components of `dir` are a prefix of those of `path` (full lower-casing).
bool is_inside(std::string_view dir, std::string_view path);

}  // namespace vl
