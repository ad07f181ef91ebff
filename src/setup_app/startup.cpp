#include "setup_app/startup.h"

#include "sys/phase_times.h"

namespace vl {
namespace {

std::string_view mode_name(InstallMode mode) {
  switch (mode) {
    case InstallMode::FreshInstall: return "fresh";
    case InstallMode::Upgrade: return "upgrade";
    case InstallMode::Reinstall: return "reinstall";
    case InstallMode::Downgrade: return "downgrade";
  }
  return "?";
}

}  // namespace

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

std::string settled_options_text(const StartupContext& context) {
  const InstallOptions& options = context.options;
  std::string text = "options: scope=";
  text += options.scope == InstallScope::AllUsers ? "machine" : "user";
  text += " dir=\"" + options.install_dir + "\"";
  text += options.desktop_shortcut ? " desktop=1" : " desktop=0";
  text += options.remove_legacy ? " legacy=1" : " legacy=0";
  text += " mode=";
  text += mode_name(context.installed.mode);
  if (context.installed.existing) {
    text += " installed=" + context.installed.existing->version.value_or("?");
  }
  return text;
}

}  // namespace vl
