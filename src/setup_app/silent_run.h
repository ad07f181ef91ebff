#pragma once
#include "setup_app/startup_context.h"

namespace vl {

// The unattended run (/S): installs without any window and returns the process exit code.
int run_silent(StartupContext context);

}  // namespace vl
