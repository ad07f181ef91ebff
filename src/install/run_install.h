#pragma once
// The installation run, declared portably; its body is Win32 (run_install_win.cpp).
#include "install/install_job.h"
#include "sys/result.h"

namespace vl {

// Runs the installation: the steps of install_steps(job) in order, reporting to `sink`.
// Success, or the one failure text that ended the run. Needs COM initialised
// apartment-threaded on the calling thread.
Status run_install(const InstallJob& job, const Payload& payload, ProgressSink& sink);

}  // namespace vl
