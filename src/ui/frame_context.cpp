#include "ui/frame_context.h"

#include <algorithm>
#include <cmath>

namespace vl {

FrameTimes FrameClock::tick(double now_seconds, float max_dt) {
  double dt = now_seconds - previous_;
  if (!(dt > 0.0)) dt = 0.0;
  previous_ = now_seconds;
  const double cap = max_dt > MAX_FRAME_DT ? max_dt : MAX_FRAME_DT;
  return FrameTimes{static_cast<float>(now_seconds - created_),
                    static_cast<float>(std::min(dt, cap))};
}

float frame_step_cap(bool paced, float timer_seconds, float last_frame_seconds) {
  if (!paced) return MAX_FRAME_DT;
  const float gap = std::max(timer_seconds, 0.0f) + std::max(last_frame_seconds, 0.0f);
  // Not-a-number falls back to the stall rule.
  return 1.5f * gap > MAX_FRAME_DT ? 1.5f * gap : MAX_FRAME_DT;
}

unsigned animation_timer_ms(float min_frame_interval, float last_frame_seconds) {
  if (!(min_frame_interval > 0.0f)) return ANIMATION_TIMER_MS;
  const float gap = last_frame_seconds > 0.0f ? PACED_FRAME_GAP * last_frame_seconds : 0.0f;
  const float ms = std::round(std::max(min_frame_interval, gap) * 1000.0f);
  // Compared as floats: a huge or not-a-number interval must not wrap the conversion.
  if (!(ms > static_cast<float>(ANIMATION_TIMER_MS))) return ANIMATION_TIMER_MS;
  return ms < 60000.0f ? static_cast<unsigned>(ms) : 60000u;
}

}  // namespace vl
