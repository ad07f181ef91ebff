#include "setup_app/startup.h"

#include "sys/phase_times.h"

namespace vl {

StartupContext gather_startup_context(CommandLine cmd, const InstalledStateProbes& probes,
                                      const FolderServices& folders) {
  StartupContext context;
  InstalledState& installed = context.installed;
  {
    phase::Timed timed("detect: installation");
    installed.existing = probes.existing_install();
    if (installed.existing) installed.mode = mode_for_installed_version(installed.existing->version);
  }
  {
    phase::Timed timed("detect: options");
    context.options = settle_install_options(cmd, installed, folders);
  }
  {
    phase::Timed timed("detect: legacy client");
    if (!cmd.update) installed.legacy = probes.legacy_client(context.options.install_dir);
  }
  {
    phase::Timed timed("detect: earlier MSI");
    if (!installed.existing) installed.previous_msi_code = probes.previous_msi();
  }
  context.command_line = std::move(cmd);
  return context;
}

}  // namespace vl
