#include "setup_app/settle_options.h"

#include "sys/paths.h"

namespace vl {

std::string default_install_dir(InstallScope scope, const FolderServices& folders) {
  std::optional<std::string> base = folders.known_folder ? folders.known_folder(scope) : std::nullopt;
  if (!base || base->empty()) return std::string(PRODUCT_NAME);
  return join_path(*base, PRODUCT_NAME);
}

InstallOptions settle_install_options(const CommandLine& cmd, const InstalledState& installed,
                                      const FolderServices& folders) {
  InstallOptions options;
  if (installed.existing) {
    options.install_dir = installed.existing->location;
    options.scope = installed.existing->scope;
    options.dir_customized = cmd.dir_choice.has_value();
  } else {
    options.scope = cmd.scope_choice.value_or(InstallScope::AllUsers);
    // A blank directory (an empty --VL-DIR= or _?=; the parser trims every choice) would install
    // into the current directory under no name at all: it counts as not given.
    std::string chosen = cmd.dir_choice.value_or(std::string());
    options.install_dir = chosen.empty() ? default_install_dir(options.scope, folders) : chosen;
    // Nor is it a customised directory: a later change of scope must move the default along.
    options.dir_customized = !chosen.empty();
    // Every one becomes a full path, not only a relative one (which would reach the registry as
    // it stands): "C:/Tools/Verilune" or "C:\a\..\b" would otherwise reach the folder
    // creation, the registry and the running-application match as written.
    if (folders.full_path) options.install_dir = folders.full_path(options.install_dir);
  }
  options.desktop_shortcut = cmd.desktop_choice.value_or(!installed.existing && !cmd.no_shortcut);
  options.remove_legacy = cmd.legacy_choice.value_or(true);
  options.window_pos = cmd.window_pos;
  return options;
}

}  // namespace vl
