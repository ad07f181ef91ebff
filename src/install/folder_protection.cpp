#include "install/folder_protection.h"

#include <algorithm>

#include "sys/paths.h"

namespace vl {

namespace {

// FILE_WRITE_DATA (add a file), FILE_DELETE_CHILD, DELETE, WRITE_DAC, WRITE_OWNER; generic
// write and all. Adding a subfolder (FILE_APPEND_DATA on a folder) is left out: the system
// drive's root lets every user create folders, and a new folder gives them no hold on ours.
constexpr uint32_t CHANGE_RIGHTS = 0x0002 | 0x0040 | 0x00010000 | 0x00040000 | 0x00080000 |
                                   0x40000000 | 0x10000000;

}  // namespace

bool protects_new_folders(InstallScope scope, std::string_view install_dir,
                          std::span<const std::string> program_files) {
  if (scope != InstallScope::AllUsers) return false;
  return std::none_of(program_files.begin(), program_files.end(), [&](const std::string& root) {
    return is_inside_any_separators(root, install_dir);
  });
}

bool is_administrator_sid(std::string_view sid) {
  return sid == "S-1-5-18" || sid == "S-1-5-32-544" ||
         sid == "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
}

bool only_administrators_change(const FolderSecurity& security) {
  if (!security.has_dacl || !is_administrator_sid(security.owner)) return false;
  return std::none_of(security.entries.begin(), security.entries.end(), [](const AccessEntry& e) {
    return e.allows && !e.inherit_only && (e.mask & CHANGE_RIGHTS) != 0 &&
           !is_administrator_sid(e.sid);
  });
}

bool is_volume_root(std::string_view full_path) {
  std::vector<std::string_view> parts = path_components(full_path);
  if (full_path.starts_with("\\\\")) {
    // "\\?\C:\" and "\\?\Volume{…}\" are roots at two parts, "\\server\share" too.
    return parts.size() <= 2;
  }
  return parts.size() <= 1;
}

bool is_system_folder(std::string_view full_path, std::span<const std::string> system_folders,
                      std::span<const std::string> no_install_below) {
  auto same = [&](const std::string& folder) {
    return !folder.empty() && is_inside_any_separators(folder, full_path) &&
           is_inside_any_separators(full_path, folder);
  };
  auto below = [&](const std::string& folder) {
    return is_inside_any_separators(folder, full_path);
  };
  return std::any_of(system_folders.begin(), system_folders.end(), same) ||
         std::any_of(no_install_below.begin(), no_install_below.end(), below);
}

bool is_trusted_ancestor(std::string_view full_path, std::span<const std::string> trusted) {
  return std::any_of(trusted.begin(), trusted.end(), [&](const std::string& folder) {
    return !folder.empty() && is_inside_any_separators(full_path, folder);
  });
}

}  // namespace vl
