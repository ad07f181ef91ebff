#include "install/install_job.h"

#include <algorithm>

namespace vl {

std::vector<InstallStep> install_steps(const InstallJob& job) {
  std::vector<InstallStep> steps{InstallStep::Prepare};
  // What can fail for want of the network or of disk space comes before the predecessor goes:
  // a run that fails there leaves the user the client they had.
  if (job.provision_webview2) steps.push_back(InstallStep::InstallWebView2);
  steps.push_back(InstallStep::CopyFiles);
  if (job.legacy) steps.push_back(InstallStep::RemoveLegacy);
  steps.push_back(InstallStep::Register);
  return steps;
}

float overall_fraction(std::span<const InstallStep> steps, InstallStep step, float f) {
  float before = 0.0f;
  float total = 0.0f;
  bool reached = false;
  for (InstallStep s : steps) {
    if (s == step) reached = true;
    if (!reached) before += STEP_WEIGHTS[step_index(s)];
    total += STEP_WEIGHTS[step_index(s)];
  }
  if (total <= 0.0f) return 0.0f;
  // NaN fails both comparisons of std::clamp's ordering; treat it as no progress.
  float clamped = f == f ? std::clamp(f, 0.0f, 1.0f) : 0.0f;
  return (before + clamped * STEP_WEIGHTS[step_index(step)]) / total;
}

}  // namespace vl
