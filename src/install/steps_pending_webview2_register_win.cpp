// Placeholders for the WebView2, registration and shortcut bodies of the pipeline: they do
// nothing yet. Whoever implements one of them deletes it here (and this file when empty).
#include "install/install_steps.h"

namespace vl {

Status install_webview2(StepProgress&) { return Status::success(); }

Status write_registration(const InstallJob&, uint64_t, std::span<const std::string>) {
  return Status::success();
}

void make_shortcuts(const InstallJob&) {}

}  // namespace vl
