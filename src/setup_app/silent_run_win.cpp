#include "setup_app/silent_run.h"

#include "install/install_job.h"
#include "install/run_install.h"
#include "install/run_log_win.h"
#include "setup_app/job_rules.h"
#include "setup_app/job_rules_win.h"
#include "sys/elevation_win.h"
#include "sys/paths.h"
#include "sys/processes_win.h"
#include "sys/program_launch_win.h"
#include "sys/text.h"
#include "wizard/strings.h"

namespace vl {
namespace {

int finish(InstallLog& log, int exit_code, std::string_view failure_text = {}) {
  log.finished(exit_code, failure_text);
  return exit_code;
}

// Empty when the elevated copy ran: it logs its own failure.
std::string relaunch_failure_text(const ElevationOutcome& outcome) {
  switch (outcome.kind) {
    case ElevationOutcome::Kind::Finished: return {};
    case ElevationOutcome::Kind::Declined: return "the elevation prompt was declined";
    case ElevationOutcome::Kind::Failed: return outcome.message;
  }
  return {};
}

}  // namespace

int run_silent(StartupContext context, InstallLog& log) {
  auto payload = check_payload_header(context.payload_blob);
  if (!payload) return finish(log, EXIT_INSTALL_FAILED, payload.error());

  const InstallPlace place =
      install_place(context.options.scope, is_process_elevated(), context.command_line.resume);
  if (place == InstallPlace::Refused) return finish(log, EXIT_REFUSED, TEXT_PER_USER_ELEVATED);
  if (place == InstallPlace::ElevatedCopy) {
    // The command line's passthrough still holds /S: the elevated copy runs silently too.
    std::string arguments = build_resume_arguments(resume_state(context), std::nullopt);
    log.relaunching(arguments);
    ElevationOutcome outcome = relaunch_elevated(own_module_path(), arguments, nullptr, {}, CHILD_WAIT_MS);
    return finish(log, silent_relaunch_exit_code(outcome), relaunch_failure_text(outcome));
  }

  InstallJob job = build_install_job(context);
  SilentProgressSink quiet;
  StepLog steps(quiet, log, log_clock_ms);
  Status status = run_install(job, *payload, steps);
  steps.finish();
  if (!status) return finish(log, EXIT_INSTALL_FAILED, status.error());
  if (context.command_line.run_after)
    launch_application(join_path(job.install_dir, APPLICATION_FILE_NAME), context.command_line.app_arguments);
  return finish(log, EXIT_SUCCESS_CODE);
}

}  // namespace vl
