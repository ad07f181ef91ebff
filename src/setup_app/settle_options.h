#pragma once
// Settling the effective install options from the command line and what is installed.
#include <functional>
#include <optional>
#include <string>

#include "args/command_line.h"
#include "product/installed_state.h"

namespace vl {

// What settling needs from the system, injected so the rules can be checked anywhere.
struct FolderServices {
  // The known folder under which a scope installs (local application data or Program Files
  // (x86)); nullopt when it cannot be obtained.
  std::function<std::optional<std::string>(InstallScope)> known_folder;
  // The full path the system makes of a path: relative ones against the current directory,
  // slashes turned into backslashes, doubled separators, "." and ".." resolved.
  std::function<std::string(const std::string&)> full_path;
};

// The known folder joined with the product name, or the bare product name without one.
std::string default_install_dir(InstallScope scope, const FolderServices& folders);

// Directory and scope (an existing installation wins over the switches), desktop shortcut and
// legacy removal defaults. A directory taken from the switches or the default becomes a full
// path here; an existing installation's location is kept as it was read.
InstallOptions settle_install_options(const CommandLine& cmd, const InstalledState& installed,
                                      const FolderServices& folders);

}  // namespace vl
