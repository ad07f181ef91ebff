#pragma once
// The application's shortcuts: which links a run creates or only refreshes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_job.h"
#include "product/product.h"

namespace vl {

// A link can only need rewriting when the previous main binary had another name than
// the application file's (names compare ASCII case-insensitively).
bool main_binary_renamed(const std::optional<std::string>& previous_main_binary);

struct ShortcutAction {
  std::string link;  // folder joined with SHORTCUT_FILE_NAME
  bool create = false;  // otherwise only refreshed
};

// The Start-menu link, then the desktop link, for the folders that could be resolved.
std::vector<ShortcutAction> plan_shortcuts(const InstallJob& job, const std::optional<std::string>& start_menu_folder,
                                           const std::optional<std::string>& desktop_folder);

}  // namespace vl
