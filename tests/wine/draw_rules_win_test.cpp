// The portable drawing rules as the 32-bit installer computes them: i686 code may evaluate
// float expressions with x87 extended precision, which must not change a cache key or the
// number of frames an animation runs.
#include <gtest/gtest.h>

#include "gfx/text_style.h"
#include "ui/interaction.h"

namespace vl {
namespace {

TEST(DrawRulesOn32Bit, FontSizeKeysMatchSinglePrecision) {
  EXPECT_EQ(font_size_key(12.5f), 1250u);
  EXPECT_EQ(font_size_key(12.504f), 1250u);
  EXPECT_EQ(font_size_key(12.6f), 1260u);
  // 12.57f is 12.5699996...: in single precision x 100 rounds to 1257, with extra precision
  // it would truncate to 1256.
  EXPECT_EQ(font_size_key(12.57f), 1257u);
}

TEST(DrawRulesOn32Bit, HoverSettlesOnTheThirtiethFrame) {
  AnimatedValues values;
  const AnimKey key{4, 0};
  values.step(key, 0.0f, 14.0f, 0.015f);
  int frames = 0;
  AnimStep step;
  do {
    step = values.step(key, 1.0f, 14.0f, 0.015f);
    ++frames;
  } while (!step.settled && frames < 100);
  EXPECT_EQ(frames, 30);
  EXPECT_EQ(step.value, 1.0f);
}

}  // namespace
}  // namespace vl
