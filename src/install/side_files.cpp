#include "install/side_files.h"

namespace vl {

std::string new_file_name(std::string_view target) {
  return std::string(target) + std::string(NEW_FILE_SUFFIX);
}

std::string displaced_file_name(std::string_view target, int attempt) {
  return std::string(target) + std::string(DISPLACED_SUFFIX) + std::to_string(attempt);
}

std::vector<std::string> side_file_names(std::string_view target) {
  std::vector<std::string> names{new_file_name(target)};
  for (int attempt = 0; attempt < REPLACE_ATTEMPTS; ++attempt)
    names.push_back(displaced_file_name(target, attempt));
  return names;
}

}  // namespace vl
