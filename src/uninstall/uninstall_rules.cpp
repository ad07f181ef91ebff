#include "uninstall/uninstall_rules.h"

#include "args/command_line.h"
#include "args/switches.h"
#include "install/side_files.h"
#include "sys/paths.h"

namespace vl {

std::optional<InstallScope> installation_in(std::string_view own_folder,
                                            std::span<const UninstallEntry> entries) {
  for (const UninstallEntry& entry : entries) {
    if (!entry.install_location) continue;
    const std::string location = normalize_location(*entry.install_location);
    if (!location.empty() && same_path(location, own_folder)) return entry.scope;
  }
  return std::nullopt;
}

RemovalPlan plan_removal(std::string_view install_dir, std::span<const std::string> installed_files,
                         std::string_view own_file) {
  RemovalPlan plan;
  for (const std::string& name : installed_files) {
    if (!is_valid_entry_name(name)) {
      plan.refused.push_back(name);
      continue;
    }
    const std::string path = join_path(install_dir, name);
    // The running uninstaller cannot delete itself here; it removes itself last.
    if (!same_path(path, own_file)) plan.files.push_back(path);
    for (std::string& side : side_file_names(path)) plan.files.push_back(std::move(side));
  }
  return plan;
}

std::string relaunch_arguments(const std::optional<std::string>& absolute_log_path) {
  std::string arguments = std::string(switches::SILENT) + " " + std::string(switches::RESUME);
  if (absolute_log_path)
    arguments += " " + quote_if_needed(std::string(switches::RESUME_LOG) + *absolute_log_path);
  return arguments;
}

bool link_points_into(std::string_view install_dir, std::string_view link_target) {
  if (!is_absolute_path(link_target)) return false;
  // "dir\..\elsewhere" would pass the component comparison.
  for (std::string_view part : path_components(link_target)) {
    if (part == "." || part == "..") return false;
  }
  return !same_path(link_target, install_dir) && is_inside(install_dir, link_target);
}

}  // namespace vl
