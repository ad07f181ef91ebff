#pragma once
// The step bodies that run_install calls inside its frame. The frame announces each step
// (step_started, then fraction 0 with an empty detail), makes the reports named below and
// turns a failure text into the end of the run; the bodies only do their step's work.
// (Win32 implementations.)
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "install/install_job.h"
#include "sys/result.h"

namespace vl {

// Prepare, step 2: gives the running application (see application_paths) its grace period and
// terminates what still runs.
void stop_running_application(const InstallJob& job);

// Prepare, step 4: the Windows Installer uninstall of an earlier MSI installation of the
// product ("/x {code} /qb-! /norestart"), waited for; its outcome is ignored. The frame calls
// it only when previous_msi_code is present and update_in_place is clear, and when the run
// provisions WebView2 only once that step has succeeded.
void remove_previous_msi_install(std::string_view product_code);

// RemoveLegacy: removes the predecessor client (job.legacy is present). Best effort; may
// report intermediate fractions. The frame reports 1.0 afterwards.
void remove_legacy_client(const InstallJob& job, StepProgress& progress);

// InstallWebView2: reports 0.1 "WebView2 татаж байна…" before the download and 0.4
// "WebView2 суулгаж байна…" before the bootstrapper runs. The frame reports 1.0 with an empty
// detail afterwards.
Status install_webview2(StepProgress& progress);

// Register, first: the Start-menu and desktop shortcuts, created or refreshed; failures are
// ignored. The frame reports 0.4 afterwards. They come before the registry values because an
// installation counts as existing once its Uninstall entry is there, and a rerun of an
// existing one keeps the links it finds: a run killed between the two must not leave a
// registered installation without the links a fresh one has.
void make_shortcuts(const InstallJob& job);

// Register, then: the product key and the Uninstall entry, in their order; the first failure
// text ends the run. The frame reports 1.0 afterwards.
Status write_registration(const InstallJob& job, uint64_t total_size,
                          std::span<const std::string> installed_files);

}  // namespace vl
