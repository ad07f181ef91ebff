#pragma once
// The names placing a file uses beside its target: the new file written before the rename, and
// the displaced copies of a target that was in use, one per replacement attempt.
#include <string>
#include <string_view>
#include <vector>

namespace vl {

inline constexpr std::string_view NEW_FILE_SUFFIX = ".vl-new";
inline constexpr std::string_view DISPLACED_SUFFIX = ".vl-old";
inline constexpr int REPLACE_ATTEMPTS = 12;

// "<target>.vl-new".
std::string new_file_name(std::string_view target);
// "<target>.vl-old<attempt>".
std::string displaced_file_name(std::string_view target, int attempt);
// Every name placing `target` may leave behind: the new file, then each displaced copy.
std::vector<std::string> side_file_names(std::string_view target);

}  // namespace vl
