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

std::string relaunch_arguments(std::optional<uint32_t> log_relay) {
  std::string arguments = std::string(switches::SILENT) + " " + std::string(switches::RESUME);
  if (log_relay)
    arguments += " " + std::string(switches::RESUME_LOG_RELAY) + std::to_string(*log_relay);
  return arguments;
}

std::string removal_copy_arguments(std::string_view install_dir) {
  return std::string(switches::FROM_TEMP) + " " +
         quote_if_needed(std::string(switches::UNINSTALLER_DIR) + std::string(install_dir));
}

std::optional<std::string> removal_copy_folder(const CommandLine& cmd,
                                               std::string_view own_folder) {
  if (!cmd.from_temp || !cmd.uninstaller_dir_flag || !cmd.dir_choice) return std::nullopt;
  std::string folder = normalize_location(*cmd.dir_choice);
  if (!is_absolute_path(folder) || same_path(folder, own_folder)) return std::nullopt;
  return folder;
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
