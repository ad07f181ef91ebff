// run_install: the ordered steps of one installation, each announced to the sink, with the
// step's own fraction turned into the overall one.
#include <string>
#include <vector>

#include "install/embedded_payload_win.h"
#include "install/file_placement_win.h"
#include "install/folder_protection_win.h"
#include "install/install_job.h"
#include "install/install_steps.h"
#include "install/payload_check.h"
#include "sys/phase_times.h"

namespace vl {

namespace {

void remove_previous_msi_if_due(const InstallJob& job) {
  if (job.previous_msi_code && !job.update_in_place)
    remove_previous_msi_install(*job.previous_msi_code);
}

// The executable's own payload is checked against the digest its build recorded; a payload
// that is not the executable's (one made in memory) has none.
Status check_own_payload_digest(const Payload& payload) {
  std::span<const uint8_t> own = find_embedded_payload();
  if (own.size() < PAYLOAD_HEADER_SIZE || payload.stream.data() != own.data() + PAYLOAD_HEADER_SIZE)
    return Status::success();
  return check_payload_digest(own, find_embedded_payload_digest());
}

Status prepare(const InstallJob& job, const Payload& payload, StepProgress& progress) {
  // A damaged download must stop the run while the application, an earlier MSI install and
  // the legacy client are all still in place: every byte is checked before anything changes.
  uint64_t since = phase::now();
  if (Status intact = check_own_payload_digest(payload); !intact) return intact;
  phase::add("prepare: digest", since);
  since = phase::now();
  if (Status intact = check_payload_stream(payload); !intact) return intact;
  phase::add("prepare: stream check", since);
  // Before anything is written into it: an all-users folder that others may write would let
  // them swap what every user, and the elevated uninstaller, runs.
  if (Status guarded = protect_existing_install_folder(job); !guarded) return guarded;
  if (Status created = create_install_folder(job); !created) return created;
  since = phase::now();
  stop_running_application(job);
  phase::add("prepare: running application", since);
  progress.report(0.5f);
  // With the runtime still to come, the earlier install waits until it is in place.
  if (!job.provision_webview2) remove_previous_msi_if_due(job);
  progress.report(1.0f);
  return Status::success();
}

// The links before the registry values (why: install_steps.h).
Status register_installation(const InstallJob& job, const Payload& payload, StepProgress& progress,
                             const std::vector<std::string>& installed_files) {
  uint64_t since = phase::now();
  make_shortcuts(job);
  phase::add("register: links", since);
  progress.report(0.4f);
  since = phase::now();
  if (Status written = write_registration(job, payload.total_size, installed_files); !written) {
    return written;
  }
  phase::add("register: registry", since);
  progress.report(1.0f);
  return Status::success();
}

}  // namespace

Status run_install(const InstallJob& job, const Payload& payload, ProgressSink& sink) {
  const std::vector<InstallStep> steps = install_steps(job);
  std::vector<std::string> installed_files;
  for (InstallStep step : steps) {
    sink.step_started(step);
    StepProgress progress(sink, steps, step);
    progress.report(0.0f);
    Status done;
    switch (step) {
      case InstallStep::Prepare:
        phase::mark("Prepare");
        done = prepare(job, payload, progress);
        break;
      case InstallStep::RemoveLegacy:
        remove_legacy_client(job, progress);
        progress.report(1.0f);
        break;
      case InstallStep::InstallWebView2:
        done = install_webview2(progress);
        if (done) remove_previous_msi_if_due(job);
        if (done) progress.report(1.0f);
        break;
      case InstallStep::CopyFiles:
        phase::mark("CopyFiles");
        done = copy_payload_files(job, payload, progress, installed_files);
        break;
      case InstallStep::Register:
        phase::mark("Register");
        done = register_installation(job, payload, progress, installed_files);
        break;
    }
    if (!done) return done;
  }
  phase::mark("installed");
  return Status::success();
}

}  // namespace vl
