#pragma once
// Shell links with the application's AppUserModelID. COM must be initialised on the thread.
#include <windows.h>
#include <shobjidl.h>

#include <optional>
#include <string>
#include <string_view>

#include "install/install_job.h"
#include "install/shortcuts.h"
#include "sys/result.h"
#include "sys/unique_handle_win.h"

namespace vl {

// A link to `target` (working folder: the target's folder; the product's AppUserModelID),
// filled in once and saved under any number of link paths.
class PreparedLink {
 public:
  explicit PreparedLink(std::string_view target);
  ~PreparedLink();
  // Creates or overwrites the link at `link`; its folder is created when missing. Nothing is
  // saved when a call fails, filling in included: "{link}: {system message}".
  Status save(std::string_view link);

 private:
  ComPtr<IShellLinkW> link_;
  HRESULT hr_ = S_OK;  // the first failure of filling in
};

// PreparedLink(target).save(link).
Status place_shortcut(std::string_view link, std::string_view target);

// The target of an existing link (IShellLinkW::GetPath); nullopt when it cannot be read.
std::optional<std::string> read_shortcut_target(std::string_view link);

// Rewrites the link to `target` only when it still points at the previous installation's main
// binary of another name; otherwise (or on any failure) leaves it alone.
void refresh_shortcut(std::string_view link, const InstallJob& job, std::string_view target);

// The folders of a scope's Start-menu and desktop links; one that cannot be resolved is unset.
struct ShortcutFolders {
  std::optional<std::string> start_menu;
  std::optional<std::string> desktop;
};
ShortcutFolders shortcut_folders(InstallScope scope);

// The Start-menu and desktop links in the given folders: created when the job says so, else
// refreshed. Failures are ignored.
void make_shortcuts_in(const InstallJob& job, const std::optional<std::string>& start_menu_folder,
                       const std::optional<std::string>& desktop_folder);

// Register's first half: the Start-menu and desktop shortcuts of the job's scope, created or
// refreshed; failures are ignored.
void make_shortcuts(const InstallJob& job);

}  // namespace vl
