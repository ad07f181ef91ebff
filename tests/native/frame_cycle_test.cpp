#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "native/recording_surface.h"
#include "ui/frame_cycle.h"
#include "ui/widgets.h"

namespace vl {
namespace {

// A WindowApp whose paint is supplied by the test.
class PaintApp final : public WindowApp {
 public:
  std::function<void(FrameContext&)> on_paint;
  std::string title() override { return "test"; }
  void on_created(WindowControl&) override {}
  SizeF window_size() override { return {420, 580}; }
  float drag_height() override { return 56; }
  void paint(FrameContext& frame) override { on_paint(frame); }
  void on_action(uint32_t, WindowControl&) override {}
  void on_app_message(WindowControl&) override {}
  void on_close(WindowControl&) override {}
  std::optional<uint32_t> default_action() override { return std::nullopt; }
};

class FrameCycle : public ::testing::Test {
 protected:
  RecordingSurface surface;
  DrawContext draw{surface};
  InteractionState input;
  PaintApp app;
  FrameSetup setup{420, 580, 144, FrameTimes{1.25f, 0.05f}};
};

TEST_F(FrameCycle, PaintSeesTheFramesSizeTimeAndAFreshState) {
  draw.offset_x = 30;  // left over from an earlier frame
  draw.opacity = 0.2f;
  input.building.push_back(HitTarget{9, {0, 0, 10, 10}, true});
  bool painted = false;
  app.on_paint = [&](FrameContext& frame) {
    painted = true;
    EXPECT_EQ(frame.width, 420);
    EXPECT_EQ(frame.height, 580);
    EXPECT_EQ(frame.dpi, 144);
    EXPECT_EQ(frame.time, 1.25f);
    EXPECT_EQ(frame.dt, 0.05f);
    EXPECT_EQ(frame.draw.offset_x, 0);
    EXPECT_EQ(frame.draw.opacity, 1.0f);
    EXPECT_TRUE(frame.input.building.empty());
    EXPECT_FALSE(frame.animate);
    EXPECT_FALSE(frame.close);
  };
  const FrameRequest request = paint_frame(app, draw, input, setup);
  EXPECT_TRUE(painted);
  EXPECT_FALSE(request.animate);
  EXPECT_FALSE(request.close);
}

TEST_F(FrameCycle, TheFramesRequestsComeBack) {
  struct Case {
    bool animate;
    bool close;
    float min_interval;
  };
  for (const Case c : {Case{true, false, 0.0f}, Case{false, true, 0.0f}, Case{true, true, 0.0f},
                       Case{true, false, 0.25f}}) {
    app.on_paint = [&](FrameContext& frame) {
      frame.animate = c.animate;
      frame.close = c.close;
      frame.min_frame_interval = c.min_interval;
    };
    const FrameRequest request = paint_frame(app, draw, input, setup);
    EXPECT_EQ(request.animate, c.animate);
    EXPECT_EQ(request.close, c.close);
    EXPECT_EQ(request.min_interval, c.min_interval);
  }
}

TEST(AnimationTimer, PeriodIsTheTimersRateUnlessTheFrameAcceptsASlowerOne) {
  const struct {
    float min_interval;
    float last_frame;
    unsigned expected;
  } cases[] = {
      {0.0f, 0.0f, ANIMATION_TIMER_MS},
      {0.0f, 0.5f, ANIMATION_TIMER_MS},  // unpaced animation keeps the timer's rate
      {0.001f, 0.0f, ANIMATION_TIMER_MS},
      {-1.0f, 0.0f, ANIMATION_TIMER_MS},
      {std::numeric_limits<float>::quiet_NaN(), 0.0f, ANIMATION_TIMER_MS},
      {0.1f, 0.0f, 100},
      {0.2504f, 0.01f, 250},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(animation_timer_ms(c.min_interval, c.last_frame), c.expected) << c.min_interval;
  }
  // A slow frame widens the gap so that paced drawing keeps to a third of a processor at most.
  EXPECT_GE(animation_timer_ms(0.1f, 0.2f), 400u);
  // However long the interval, the timer still comes back.
  EXPECT_LE(animation_timer_ms(1e30f), 60000u);
  EXPECT_GT(animation_timer_ms(1e30f), ANIMATION_TIMER_MS);
}

TEST_F(FrameCycle, AClipLeftPushedIsPoppedBeforeTheDeviceEndsTheFrame) {
  app.on_paint = [](FrameContext& frame) {
    frame.draw.push_clip({0, 0, 100, 100});
    frame.draw.push_clip({10, 10, 50, 50});
    frame.draw.pop_clip();
  };
  paint_frame(app, draw, input, setup);
  EXPECT_EQ(surface.of(DrawOp::PushClip).size(), 2u);
  EXPECT_EQ(surface.of(DrawOp::PopClip).size(), 2u);
  EXPECT_EQ(draw.clip_depth(), 0);
}

TEST_F(FrameCycle, TargetsDrawnBecomeActiveOnlyWhenTheFrameEnds) {
  app.on_paint = [](FrameContext& frame) {
    button(frame, 1, {40, 140, 160, 44}, "Суулгах", ButtonStyle::Primary, true);
  };
  paint_frame(app, draw, input, setup);
  EXPECT_TRUE(input.active.empty());
  input.mouse_inside = true;
  input.mouse_x = 50;
  input.mouse_y = 150;
  EXPECT_TRUE(end_frame(input));  // the hover follows content that appeared under the mouse
  EXPECT_EQ(input.hover, 1u);
  ASSERT_EQ(input.active.size(), 1u);
  EXPECT_EQ(input.active[0].id, 1u);
}

TEST(FramePixels, ClientPixelsBecomeDips) {
  EXPECT_FLOAT_EQ(pixels_to_dips(630, 144), 420);
  EXPECT_FLOAT_EQ(pixels_to_dips(580, 96), 580);
  EXPECT_FLOAT_EQ(pixels_to_dips(525, 120), 420);
}

}  // namespace
}  // namespace vl
