#include "setup_app/startup.h"

#include "sys/phase_times.h"

namespace vl {

StartupContext gather_startup_context(CommandLine cmd, const InstalledStateProbes& probes,
                                      const FolderServices& folders) {
  StartupContext context;
  InstalledState& installed = context.installed;
  uint64_t since = phase::now();
  installed.existing = probes.existing_install();
  if (installed.existing) installed.mode = mode_for_installed_version(installed.existing->version);
  phase::add("detect: installation", since);
  since = phase::now();
  context.options = settle_install_options(cmd, installed, folders);
  phase::add("detect: options", since);
  since = phase::now();
  if (!cmd.update) installed.legacy = probes.legacy_client(context.options.install_dir);
  phase::add("detect: legacy client", since);
  since = phase::now();
  if (!installed.existing) installed.previous_msi_code = probes.previous_msi();
  phase::add("detect: earlier MSI", since);
  context.command_line = std::move(cmd);
  return context;
}

}  // namespace vl
