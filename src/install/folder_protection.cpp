#include "install/folder_protection.h"

#include <algorithm>

#include "sys/paths.h"

namespace vl {

bool protects_new_folders(InstallScope scope, std::string_view install_dir,
                          std::span<const std::string> program_files) {
  if (scope != InstallScope::AllUsers) return false;
  return std::none_of(program_files.begin(), program_files.end(), [&](const std::string& root) {
    return is_inside_any_separators(root, install_dir);
  });
}

}  // namespace vl
