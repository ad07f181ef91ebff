#include "setup_app/shared_progress.h"

#include <exception>

#include "wizard/strings.h"

namespace vl {

void SharedProgress::reset() {
  LockGuard lock(mutex);
  detail.clear();
  result.reset();
  elevation.reset();
  fraction = 0.0f;
  hide_window = false;
  step = NO_STEP_YET;
}

void SharedProgressSink::step_started(InstallStep step) {
  {
    LockGuard lock(shared_.mutex);
    shared_.step = static_cast<uint8_t>(step);
  }
  notify_();
}

void SharedProgressSink::report_progress(float fraction, std::string_view detail) {
  {
    LockGuard lock(shared_.mutex);
    shared_.fraction = fraction;
    if (shared_.detail != detail) shared_.detail.assign(detail);
  }
  notify_();
}

Status run_guarded(const std::function<Status()>& pipeline) {
#if __cpp_exceptions
  try {
    return pipeline();
  } catch (const std::exception& e) {
    return fail(std::string(TEXT_INTERNAL_ERROR_PREFIX) + e.what());
  } catch (...) {
    return fail(std::string(TEXT_INTERNAL_ERROR_PREFIX) + "unknown exception");
  }
#else
  // Built without exceptions (the shipped programs): nothing can be thrown, and the runtime's
  // failures (out of memory, a broken container invariant) end the process instead.
  return pipeline();
#endif
}

void publish_result(SharedProgress& shared, Status result, const std::function<void()>& notify) {
  {
    LockGuard lock(shared.mutex);
    shared.result = std::move(result);
  }
  notify();
}

void publish_elevation(SharedProgress& shared, ElevationOutcome outcome,
                       const std::function<void()>& notify) {
  {
    LockGuard lock(shared.mutex);
    shared.elevation = std::move(outcome);
  }
  notify();
}

void publish_hide_request(SharedProgress& shared, const std::function<void()>& notify) {
  {
    LockGuard lock(shared.mutex);
    shared.hide_window = true;
  }
  notify();
}

}  // namespace vl
