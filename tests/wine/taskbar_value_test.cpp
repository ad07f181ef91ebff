// The taskbar's progress value in the 32-bit build, whose x87 arithmetic differs from the
// native build's SSE.
#include <gtest/gtest.h>

#include "ui/window_geometry.h"

namespace vl {
namespace {

TEST(TaskbarValue, EveryThousandthIsExactInThe32BitBuild) {
  for (uint32_t k = 0; k <= 1000; ++k) {
    const float fraction = static_cast<float>(k) / 1000.0f;
    ASSERT_EQ(taskbar_progress_value(fraction), k) << fraction;
  }
}

}  // namespace
}  // namespace vl
