#include "setup_app/startup.h"

namespace vl {

StartupContext gather_startup_context(CommandLine cmd, const InstalledStateProbes& probes,
                                      const FolderServices& folders) {
  StartupContext context;
  InstalledState& installed = context.installed;
  installed.existing = probes.existing_install();
  if (installed.existing) installed.mode = mode_for_installed_version(installed.existing->version);
  context.options = settle_install_options(cmd, installed, folders);
  if (!cmd.update) installed.legacy = probes.legacy_client(context.options.install_dir);
  if (!installed.existing) installed.previous_msi_code = probes.previous_msi();
  context.command_line = std::move(cmd);
  return context;
}

}  // namespace vl
