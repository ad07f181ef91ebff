#pragma once
// Provisioning the WebView2 runtime: the presence test and the InstallWebView2 step's work.
#include <string>
#include <string_view>

#include "install/install_job.h"
#include "install/webview2.h"
#include "sys/result.h"

namespace vl {

// True when HKLM holds a usable "pv" under `client_key`, or, for one user, HKCU does: a
// runtime registered only for the user who runs the installer serves nobody else, so an
// all-users installation counts only the machine's.
bool webview2_installed_at(std::string_view client_key, InstallScope scope);
// The runtime's own client key.
bool webview2_installed(InstallScope scope);

// The bootstrapper's local path: the user's temporary folder joined with its file name.
std::string webview2_bootstrapper_path();

// Where an elevated step makes its download folder: the system's own temporary folder below
// the Windows folder (SystemTemp, administrators only, where present; otherwise Temp, where
// users may create entries but may neither rename nor delete another's). Empty when the
// Windows folder cannot be read (the folder's creation then fails).
std::string elevated_download_parent();

// The step's work with its download source, presence key and trust given (the product passes
// WEBVIEW2_BOOTSTRAPPER_URL, WEBVIEW2_CLIENT_KEY, and Microsoft as `signer` when the process is
// elevated): nothing when the runtime is present by now; otherwise download the bootstrapper
// (0.1 "WebView2 татаж байна…"), run it silently (0.4 "WebView2 суулгаж байна…") and require
// exit code 0.
// Without `signer` the bootstrapper goes to the user's temporary folder and runs as
// downloaded. With `signer` it goes to a new folder in elevated_download_parent() that only
// administrators can write (its permissions given in the creating call), is held
// unchangeable from before its signature check until its run ends, and runs only when signed
// by `signer`; a refused file is deleted with its folder and the refusal is the failure.
Status provision_webview2(StepProgress& progress, InstallScope scope, std::string_view source,
                          std::string_view client_key, const ExpectedSigner* signer);

// The InstallWebView2 step: reports 0.1 "WebView2 татаж байна…" before the download and 0.4
// "WebView2 суулгаж байна…" before the bootstrapper runs.
Status install_webview2(StepProgress& progress, InstallScope scope);

}  // namespace vl
