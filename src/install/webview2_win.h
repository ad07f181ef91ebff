#pragma once
// Provisioning the WebView2 runtime: the presence test and the InstallWebView2 step's work.
#include <string_view>

#include "install/install_job.h"
#include "install/webview2.h"
#include "sys/result.h"

namespace vl {

// True when HKLM, then HKCU, holds a usable "pv" under `client_key`.
bool webview2_installed_at(std::string_view client_key);
// The runtime's own client key.
bool webview2_installed();

// The bootstrapper's local path: the user's temporary folder joined with its file name.
std::string webview2_bootstrapper_path();

// The step's work with its download source and presence key given (the product passes
// WEBVIEW2_BOOTSTRAPPER_URL and WEBVIEW2_CLIENT_KEY): nothing when the runtime is present by
// now; otherwise download the bootstrapper (0.1 "WebView2 татаж байна…"), run it silently
// (0.4 "WebView2 суулгаж байна…") and require exit code 0.
Status provision_webview2(StepProgress& progress, std::string_view source, std::string_view client_key);

}  // namespace vl
