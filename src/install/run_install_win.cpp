// run_install: the ordered steps of one installation. The frame here announces each step
// (step_started, then fraction 0 with an empty detail), makes the step's closing reports and
// turns a failure text into the end of the run; the bodies, declared beside their code, only do
// their step's work.
#include <string>
#include <vector>

#include "install/file_placement_win.h"
#include "install/install_folder_win.h"
#include "install/install_job.h"
#include "install/legacy_removal_win.h"
#include "install/registration_win.h"
#include "install/run_install.h"
#include "install/running_app_win.h"
#include "install/shortcuts_win.h"
#include "install/webview2_win.h"
#include "payload/embedded_payload_win.h"
#include "payload/payload_check.h"
#include "sys/elevation_win.h"
#include "sys/phase_times.h"

namespace vl {

namespace {

// The Windows Installer uninstall of an earlier MSI installation of the product, waited for;
// its outcome is ignored. It runs inside CopyFiles, once every new file is written, flushed
// and verified beside the old ones and before the first takes its name: a full disk, a damaged
// payload or a kill before then leaves the earlier installation as it was.
Status remove_previous_msi_if_due(const InstallJob& job) {
  if (job.previous_msi_code && !job.update_in_place)
    remove_previous_msi(*job.previous_msi_code, system_msiexec_path());
  return Status::success();
}

// The executable's own payload is checked against the digest its build recorded, read from
// the executable's file: the decoders then read it there (`source`), so that none of it stays
// in the process's memory. Elevated, every chunk is checked again as it is read, since a user
// who could write the file before the run held it could otherwise change it after the check.
// Where the file cannot be read so, or does not hold what the image does, the image's own
// bytes are checked and decoded in place, as before. A payload that is not the executable's
// (one made in memory) has no digest.
Status check_own_payload(const Payload& payload, std::unique_ptr<PayloadSource>& source) {
  std::span<const uint8_t> own = find_embedded_payload();
  if (own.size() < PAYLOAD_HEADER_SIZE || payload.stream.data() != own.data() + PAYLOAD_HEADER_SIZE)
    return Status::success();
  const std::span<const uint8_t> recorded = find_embedded_payload_digest();
  if (auto file = open_embedded_payload_file(own, is_process_elevated())) {
    if ((*file)->verify([&](const Sha256Digest& digest) { return check_digest_record(digest, recorded); })) {
      source = std::move(*file);
      return Status::success();
    }
  }
  return check_payload_digest(own, recorded);
}

Status prepare(const InstallJob& job, const Payload& payload, StepProgress& progress,
               std::unique_ptr<InstallFolder>& folder, std::unique_ptr<PayloadSource>& source) {
  // A damaged download must stop the run while the application, an earlier MSI install and
  // the legacy client are all still in place: every byte is checked before anything changes.
  if (Status intact = phase::timed("prepare: digest", [&] { return check_own_payload(payload, source); });
      !intact) {
    return intact;
  }
  if (Status intact = phase::timed("prepare: stream check", [&] { return check_payload_stream(payload); });
      !intact) {
    return intact;
  }
  // The new files are written beside the old ones before any old one goes.
  if (Status room = check_free_space(job.install_dir, payload.total_size); !room) return room;
  // Before anything is written into it: an all-users folder that others may change would let
  // them swap what every user, and the elevated uninstaller, runs.
  Result<std::unique_ptr<InstallFolder>> opened = open_install_folder(job);
  if (!opened) return opened.failure();
  folder = std::move(*opened);
  progress.report(0.5f);
  {
    phase::Timed timed("prepare: running application");
    stop_application_processes(job.install_dir, job.previous_main_binary, job.update_in_place);
  }
  progress.report(1.0f);
  return Status::success();
}

// The links before the registry values: an installation counts as existing once its Uninstall
// entry is there, and a rerun of an existing one keeps the links it finds, so a run killed
// between the two must not leave a registered installation without the links a fresh one has.
Status register_installation(const InstallJob& job, const Payload& payload, StepProgress& progress,
                             const std::vector<std::string>& installed_files) {
  {
    phase::Timed timed("register: links");
    make_shortcuts(job);
  }
  progress.report(0.4f);
  if (Status written = phase::timed("register: registry", [&] {
        return write_registration(job, payload.total_size, installed_files);
      });
      !written) {
    return written;
  }
  progress.report(1.0f);
  return Status::success();
}

}  // namespace

Status run_install(const InstallJob& job, const Payload& payload, ProgressSink& sink) {
  const std::vector<InstallStep> steps = install_steps(job);
  std::vector<std::string> installed_files;
  std::unique_ptr<InstallFolder> folder;  // held from Prepare to the end of the run
  std::unique_ptr<PayloadSource> source;  // likewise: where CopyFiles reads the payload
  for (InstallStep step : steps) {
    sink.step_started(step);
    StepProgress progress(sink, steps, step);
    progress.report(0.0f);
    Status done;
    switch (step) {
      case InstallStep::Prepare:
        phase::mark("Prepare");
        done = prepare(job, payload, progress, folder, source);
        break;
      case InstallStep::RemoveLegacy:
        // Best effort: the predecessor client goes once the new files are in place.
        if (job.legacy) {
          remove_legacy_client(*job.legacy,
                               LegacyRemovalContext{job.install_dir, job.quiet, system_msiexec_path()});
        }
        progress.report(1.0f);
        break;
      case InstallStep::InstallWebView2:
        done = install_webview2(progress, job.scope);
        if (done) progress.report(1.0f);
        break;
      case InstallStep::CopyFiles: {
        phase::mark("CopyFiles");
        Payload sourced = payload;
        sourced.source = source.get();
        done = copy_payload_files(job, *folder, sourced, progress, installed_files,
                                  [&job] { return remove_previous_msi_if_due(job); });
        break;
      }
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
