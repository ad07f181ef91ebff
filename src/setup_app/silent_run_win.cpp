#include "setup_app/silent_run.h"

#include "install/install_job.h"
#include "setup_app/install_job_win.h"
#include "setup_app/job_rules.h"
#include "sys/elevation_win.h"
#include "sys/paths.h"
#include "sys/program_launch_win.h"
#include "sys/text.h"

namespace vl {

int run_silent(StartupContext context) {
  auto payload = check_payload_header(context.payload_blob);
  if (!payload) return EXIT_INSTALL_FAILED;

  if (!installs_in_process(context.options.scope, is_process_elevated(), context.command_line.resume)) {
    // The command line's passthrough still holds /S: the elevated copy runs silently too.
    std::string arguments = build_resume_arguments(resume_state(context), std::nullopt);
    return silent_relaunch_exit_code(relaunch_elevated(own_module_path(), arguments, nullptr));
  }

  InstallJob job = build_install_job(context);
  SilentProgressSink sink;
  if (!run_install(job, *payload, sink)) return EXIT_INSTALL_FAILED;
  if (context.command_line.run_after)
    launch_application(join_path(job.install_dir, APPLICATION_FILE_NAME), context.command_line.app_arguments);
  return EXIT_SUCCESS_CODE;
}

}  // namespace vl
