#include "ui/frame_context.h"

#include <algorithm>

namespace vl {

FrameTimes FrameClock::tick(double now_seconds) {
  double dt = now_seconds - previous_;
  if (!(dt > 0.0)) dt = 0.0;
  previous_ = now_seconds;
  return FrameTimes{static_cast<float>(now_seconds - created_),
                    static_cast<float>(std::min(dt, static_cast<double>(MAX_FRAME_DT)))};
}

}  // namespace vl
