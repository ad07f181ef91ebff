#include "setup_app/job_rules.h"

#include "sys/paths.h"

namespace vl {

InstallJob make_install_job(const StartupContext& state, std::vector<std::string> previous_files,
                            bool webview2_present) {
  const CommandLine& cmd = state.command_line;
  const InstallOptions& options = state.options;
  const auto& existing = state.installed.existing;
  const bool shortcuts = !cmd.update && !cmd.no_shortcut;

  InstallJob job;
  job.install_dir = options.install_dir;
  job.scope = options.scope;
  if (existing) {
    job.previous_files = std::move(previous_files);
    job.previous_main_binary = existing->main_binary;
  }
  job.previous_msi_code = state.installed.previous_msi_code;
  // The earlier MSI installation has no location of its own on record: it used the default.
  job.folder_is_recorded =
      (existing && existing->scope == InstallScope::AllUsers &&
       same_path(existing->location, options.install_dir)) ||
      (job.previous_msi_code && !options.dir_customized);
  if (state.installed.legacy && options.remove_legacy) job.legacy = state.installed.legacy;
  job.update_in_place = cmd.update;
  job.quiet = cmd.silent;
  job.create_start_menu_shortcut = shortcuts;
  job.create_desktop_shortcut = shortcuts && options.desktop_shortcut;
  job.provision_webview2 = !cmd.update && !webview2_present;
  return job;
}

InstallPlace install_place(InstallScope scope, bool elevated, bool resumed) {
  if (scope == InstallScope::CurrentUser)
    return elevated ? InstallPlace::Refused : InstallPlace::InProcess;
  return elevated || resumed ? InstallPlace::InProcess : InstallPlace::ElevatedCopy;
}

ResumeState resume_state(const StartupContext& state) {
  ResumeState resume;
  resume.scope = state.options.scope;
  resume.install_dir = state.options.install_dir;
  resume.desktop_shortcut = state.options.desktop_shortcut;
  resume.remove_legacy = state.options.remove_legacy;
  resume.log_relay = state.command_line.log_relay;
  resume.passthrough = state.command_line.passthrough;
  return resume;
}

int silent_relaunch_exit_code(const ElevationOutcome& outcome) {
  return outcome.kind == ElevationOutcome::Kind::Finished ? static_cast<int>(outcome.exit_code) : EXIT_REFUSED;
}

}  // namespace vl
