#pragma once
// The application's shortcuts: names, the AppUserModelID, and which links a run creates or
// only refreshes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_job.h"

namespace vl {

inline constexpr std::string_view SHORTCUT_FILE_NAME = "Verilune.lnk";
inline constexpr std::string_view APP_USER_MODEL_ID = "mn.osmira.key";

// A link can only need rewriting when the previous main binary had another name than
// verilune.exe (names compare ASCII case-insensitively).
bool main_binary_renamed(const std::optional<std::string>& previous_main_binary);

struct ShortcutAction {
  std::string link;  // folder joined with Verilune.lnk
  bool create = false;  // otherwise only refreshed
};

// The Start-menu link, then the desktop link, for the folders that could be resolved.
std::vector<ShortcutAction> plan_shortcuts(const InstallJob& job, const std::optional<std::string>& start_menu_folder,
                                           const std::optional<std::string>& desktop_folder);

}  // namespace vl
