#pragma once
// The records of the installation engine: what one run installs (InstallJob), the ordered
// steps with their labels and weights (InstallStep, STEP_WEIGHTS) and where a run reports its
// progress (ProgressSink). The payload it installs from is payload/payload_format.h's.
// Everything here is portable; the run itself is declared in run_install.h.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "payload/entry_writer.h"
#include "payload/payload_format.h"
#include "product/installed_state.h"
#include "sys/result.h"

namespace vl {

// ---- the job ------------------------------------------------------------------------------

// What one run does; built before the run starts, read-only for the pipeline.
struct InstallJob {
  std::string install_dir;
  // Relative names listed by the installation being replaced (its VlFiles); empty when fresh.
  std::vector<std::string> previous_files;
  // Product code of an earlier MSI-based installation of the product, uninstalled first.
  std::optional<std::string> previous_msi_code;
  // MainBinaryName of the installation being replaced.
  std::optional<std::string> previous_main_binary;
  // The predecessor client to remove (its product code and install location).
  std::optional<LegacyClient> legacy;
  InstallScope scope = InstallScope::CurrentUser;
  // The folder is this product's own as its all-users record names it, or the earlier MSI
  // installation's: an all-users run may take it over whoever may change it.
  bool folder_is_recorded = false;
  bool update_in_place = false;  // /UPDATE: longer grace period, earlier MSI install kept
  bool quiet = false;            // silent run: the legacy uninstall runs fully quiet
  bool create_start_menu_shortcut = false;
  bool create_desktop_shortcut = false;
  bool provision_webview2 = false;
};

// ---- steps and progress -------------------------------------------------------------------

enum class InstallStep : uint8_t {
  Prepare = 0,
  RemoveLegacy = 1,
  InstallWebView2 = 2,
  CopyFiles = 3,
  Register = 4,
};
inline constexpr size_t INSTALL_STEP_COUNT = 5;
// The step value of a progress record before the first step has started.
inline constexpr uint8_t NO_STEP_YET = INSTALL_STEP_COUNT;

// The progress page's label of each step, indexed by step value.
inline constexpr std::array<std::string_view, INSTALL_STEP_COUNT> STEP_LABELS = {
    "Бэлтгэж байна",
    "Хуучин VeriluneClient-г устгаж байна",
    "WebView2 суулгаж байна",
    "Файлуудыг хуулж байна",
    "Системд бүртгэж байна",
};

// Each step's share of the bar, indexed by step value.
inline constexpr std::array<float, INSTALL_STEP_COUNT> STEP_WEIGHTS = {0.06f, 0.14f, 0.2f, 0.7f,
                                                                       0.06f};

constexpr size_t step_index(InstallStep step) { return static_cast<size_t>(step); }
constexpr std::string_view step_label(InstallStep step) { return STEP_LABELS[step_index(step)]; }

// The steps of a run: Prepare; InstallWebView2 when `provision_webview2` is set; CopyFiles;
// RemoveLegacy when `legacy` is present; Register. The progress page uses the same list. Nothing
// is removed before the payload is known intact (Prepare) and the runtime is in place. An earlier
// MSI installation of the product, which shares the install folder, goes inside CopyFiles, once
// every new file is written and verified and before the first takes its final name; the
// predecessor client goes only once the new files are in place.
std::vector<InstallStep> install_steps(const InstallJob& job);

// The overall fraction for `step` at step fraction `f` (clamped to 0..1):
// (sum of the weights before the step + f * weight) / sum of the weights of the list.
float overall_fraction(std::span<const InstallStep> steps, InstallStep step, float f);

// Where a run reports. Calls come from the thread that runs the pipeline, which need not be
// the window's: a windowed run's sink must hand them over to its window itself. CopyFiles
// reports from its writer thread (entry_queue.h), and a payload decoded block by block from its
// decoder threads, one at a time (block_decode.h); never two calls at once. The silent run's
// sink does nothing.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // A step of the list begins.
  virtual void step_started(InstallStep step) = 0;
  // The overall progress of the whole run, in [0, 1], and a detail text (possibly empty).
  virtual void report_progress(float fraction, std::string_view detail) = 0;
};

// The silent run's sink.
class SilentProgressSink final : public ProgressSink {
 public:
  void step_started(InstallStep) override {}
  void report_progress(float, std::string_view) override {}
};

// A step's view of the sink: turns the step's own fraction into the overall one. The payload's
// decoding reports through it too.
class StepProgress final : public PayloadProgress {
 public:
  StepProgress(ProgressSink& sink, std::span<const InstallStep> steps, InstallStep step)
      : sink_(sink), steps_(steps), step_(step) {}
  InstallStep step() const { return step_; }
  // Reports the step fraction `f` (0..1) with a detail text.
  void report(float f, std::string_view detail = {}) override {
    sink_.report_progress(overall_fraction(steps_, step_, f), detail);
  }

 private:
  ProgressSink& sink_;
  std::span<const InstallStep> steps_;
  InstallStep step_;
};

}  // namespace vl
