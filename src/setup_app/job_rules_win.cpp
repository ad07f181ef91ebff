#include "setup_app/job_rules_win.h"

#include "install/webview2_win.h"
#include "setup_app/detect_installed_win.h"
#include "setup_app/job_rules.h"

namespace vl {

InstallJob build_install_job(const StartupContext& state) {
  std::vector<std::string> previous_files;
  if (state.installed.existing)
    previous_files = read_previous_files(state.installed.existing->scope);
  const bool webview2_present = state.command_line.update || webview2_installed(state.options.scope);
  return make_install_job(state, std::move(previous_files), webview2_present);
}

}  // namespace vl
