#pragma once
// Settling the effective install options from the command line and what is installed.
#include <functional>
#include <optional>
#include <string>

#include "args/command_line.h"
#include "setup_app/installed_state.h"

namespace vl {

// What settling needs from the system, injected so the rules can be checked anywhere.
struct FolderServices {
  // The known folder under which a scope installs (local application data or Program Files
  // (x86)); nullopt when it cannot be obtained.
  std::function<std::optional<std::string>(InstallScope)> known_folder;
  // Makes a relative path absolute against the current directory.
  std::function<std::string(const std::string&)> make_absolute;
};

// The known folder joined with "Verilune", or the relative "Verilune" without one.
std::string default_install_dir(InstallScope scope, const FolderServices& folders);

// Directory and scope (an existing installation wins over the switches), desktop shortcut and
// legacy removal defaults. Relative directories become absolute here.
InstallOptions settle_install_options(const CommandLine& cmd, const InstalledState& installed,
                                      const FolderServices& folders);

bool is_absolute_windows_path(std::string_view path);

}  // namespace vl
