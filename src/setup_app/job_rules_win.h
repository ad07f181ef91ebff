#pragma once
// Building the install job from the start-up state, with what it reads from the system.
#include "install/install_job.h"
#include "setup_app/startup_context.h"

namespace vl {

// Reads the existing installation's file list (VlFiles) and asks whether WebView2 is present,
// then applies make_install_job.
InstallJob build_install_job(const StartupContext& state);

}  // namespace vl
