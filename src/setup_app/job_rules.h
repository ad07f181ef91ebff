#pragma once
// The rules that turn the settled start-up state into an installation: the job itself, where
// the installation runs (here or in an elevated copy) and the unattended parent's exit code.
#include <string>
#include <vector>

#include "args/command_line.h"
#include "install/install_job.h"
#include "product/exit_codes.h"
#include "setup_app/startup_context.h"
#include "sys/elevation.h"

namespace vl {

// The job from the start-up state, the existing installation's file list (read by the caller;
// ignored without an existing installation) and whether WebView2 is present now.
InstallJob make_install_job(const StartupContext& state, std::vector<std::string> previous_files,
                            bool webview2_present);

// Where an installation runs. All users: in this process when elevated, and always in a resumed
// copy (one that "runas" left unelevated must not relaunch again, or every copy would start the
// next one without end: it installs and fails on what it may not write instead); otherwise in
// an elevated copy. The current user: in this process, unless it is elevated. An elevated
// process never installs for one user: that user's folders, record and links are theirs to
// change while it works, so it would write and delete, as administrator, wherever they point.
// It refuses instead (TEXT_PER_USER_ELEVATED) and changes nothing.
enum class InstallPlace { InProcess, ElevatedCopy, Refused };
InstallPlace install_place(InstallScope scope, bool elevated, bool resumed);

// What the elevated copy needs to continue with the same choices.
ResumeState resume_state(const StartupContext& state);

// The unattended parent's exit code: the copy's own code, 1 when elevation was refused or failed.
int silent_relaunch_exit_code(const ElevationOutcome& outcome);

}  // namespace vl
