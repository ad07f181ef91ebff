#pragma once
#include "install/run_log.h"
#include "setup_app/startup_context.h"

namespace vl {

// The unattended run (/S): installs without any window and returns the process exit code. Its
// steps, the outcome and any failure text go to `log`.
int run_silent(StartupContext context, InstallLog& log);

}  // namespace vl
