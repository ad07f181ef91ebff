#pragma once
// The one record the worker and elevation threads share with the window, and the progress sink
// through which the pipeline writes into it. Every write by another thread is followed by one
// notification of the window (WM_APP + 1 in the product); the window reads the record then.
// Portable: the notification is a function, so the rules run natively.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "install/install_job.h"
#include "sys/elevation.h"
#include "sys/result.h"
#include "sys/threads.h"

namespace vl {

struct SharedProgress {
  Mutex mutex;  // held only to copy or write a few fields
  std::string detail;
  std::optional<Status> result;                // the pipeline's outcome, once it has ended
  std::optional<ElevationOutcome> elevation;   // the relaunch's outcome
  float fraction = 0.0f;
  bool hide_window = false;                    // the elevated copy has started
  uint8_t step = NO_STEP_YET;

  // Back to the initial values for a new attempt.
  void reset();
};

// The worker's sink: writes under the lock, then notifies once per report.
class SharedProgressSink final : public ProgressSink {
 public:
  SharedProgressSink(SharedProgress& shared, std::function<void()> notify)
      : shared_(shared), notify_(std::move(notify)) {}
  void step_started(InstallStep step) override;
  // The detail text is replaced only when it differs; an empty one clears it.
  void report_progress(float fraction, std::string_view detail) override;

 private:
  SharedProgress& shared_;
  std::function<void()> notify_;
};

// Runs `pipeline` and turns any exception escaping it into a failure with a readable text, so
// that the window never waits on Progress for a result that cannot come. In a build without
// exceptions (the shipped programs) it only runs `pipeline`: nothing can escape it.
Status run_guarded(const std::function<Status()>& pipeline);

// The worker's last act: the result stored under the lock, then the notification.
void publish_result(SharedProgress& shared, Status result, const std::function<void()>& notify);
// The elevation thread's: the outcome stored, then the notification.
void publish_elevation(SharedProgress& shared, ElevationOutcome outcome,
                       const std::function<void()>& notify);
// The elevated copy has started: the window is asked to hide.
void publish_hide_request(SharedProgress& shared, const std::function<void()>& notify);

}  // namespace vl
