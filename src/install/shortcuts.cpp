#include "install/shortcuts.h"

#include "sys/paths.h"

namespace vl {

bool main_binary_renamed(const std::optional<std::string>& previous_main_binary) {
  return previous_main_binary && !same_name(*previous_main_binary, APPLICATION_FILE_NAME);
}

std::vector<ShortcutAction> plan_shortcuts(const InstallJob& job, const std::optional<std::string>& start_menu_folder,
                                           const std::optional<std::string>& desktop_folder) {
  std::vector<ShortcutAction> actions;
  if (start_menu_folder)
    actions.push_back({join_path(*start_menu_folder, SHORTCUT_FILE_NAME), job.create_start_menu_shortcut});
  if (desktop_folder)
    actions.push_back({join_path(*desktop_folder, SHORTCUT_FILE_NAME), job.create_desktop_shortcut});
  return actions;
}

}  // namespace vl
