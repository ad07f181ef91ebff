#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "gfx/draw_context.h"
#include "native/draw_expect.h"
#include "native/recording_surface.h"
#include "ui/frame_context.h"

namespace vl {
namespace {

using draw_expect::near_color;
using draw_expect::near_point;
using draw_expect::near_rect;

constexpr float kPi = std::numbers::pi_v<float>;

class DrawContextTest : public ::testing::Test {
 protected:
  DrawContextTest() : draw(surface) { surface.observe(&draw); }
  RecordingSurface surface;
  DrawContext draw;
};

// ---- gradient direction ------------------------------------------------------------------

struct GradientCase {
  float angle;
  Point start;
  Point end;
};

TEST(GradientLine, FollowsCssAnglesThroughTheCentre) {
  // A 100 x 40 rectangle at the origin: half length (|sin a| 100 + |cos a| 40) / 2.
  const Rect r{0, 0, 100, 40};
  const GradientCase cases[] = {
      {0, {50, 40}, {50, 0}},      // upwards: bottom edge to top edge
      {90, {0, 20}, {100, 20}},    // to the right
      {135, {15, -15}, {85, 55}},  // towards the bottom right, half length 49.5 along (1, 1)/sqrt 2
      {180, {50, 0}, {50, 40}},    // downwards
  };
  for (const GradientCase& c : cases) {
    SCOPED_TRACE(c.angle);
    const GradientLine g = gradient_line(r, c.angle);
    EXPECT_TRUE(near_point(g.start, c.start));
    EXPECT_TRUE(near_point(g.end, c.end));
  }
}

TEST_F(DrawContextTest, FillGradientPassesEndPointsRadiusAndStopsAfterOffsetAndOpacity) {
  draw.offset_x = 10;
  draw.offset_y = 5;
  draw.opacity = 0.5f;
  draw.fill_gradient(Rect{0, 0, 100, 40}, 11, 90,
                     {GradientStop{rgb(57, 198, 240), 0}, GradientStop{rgb(26, 127, 208, 0.8f), 1}});
  draw.fill_gradient(Rect{0, 0, 100, 40}, -3, 180, {GradientStop{rgb(0, 0, 0), 0}});
  ASSERT_EQ(surface.calls.size(), 2u);
  const DrawCall& g = surface.calls[0];
  EXPECT_EQ(g.op, DrawOp::LinearGradient);
  EXPECT_TRUE(near_rect(g.rect, {10, 5, 100, 40}));
  EXPECT_EQ(g.radius, 11);
  EXPECT_TRUE(near_point(g.points[0], {10, 25}));
  EXPECT_TRUE(near_point(g.points[1], {110, 25}));
  ASSERT_EQ(g.stops.size(), 2u);
  EXPECT_TRUE(near_color(g.stops[0].color, 57, 198, 240, 0.5f));
  EXPECT_TRUE(near_color(g.stops[1].color, 26, 127, 208, 0.4f));
  EXPECT_EQ(g.stops[1].position, 1.0f);
  // A radius at or below zero asks for a plain rectangle.
  EXPECT_EQ(surface.calls[1].radius, 0.0f);
}

TEST_F(DrawContextTest, RadialGradientShiftsCentreNotRadiiAndFadesStops) {
  draw.offset_y = 14;
  draw.opacity = 0.5f;
  draw.fill_radial_gradient(Rect{0, 0, 420, 580}, 336, -53, 504, 477,
                            {GradientStop{rgb(64, 115, 255, 0.5f), 0},
                             GradientStop{rgb(64, 115, 255, 0.15f), 0.45f},
                             GradientStop{rgb(64, 115, 255, 0), 1}});
  ASSERT_EQ(surface.calls.size(), 1u);
  const DrawCall& g = surface.calls[0];
  EXPECT_EQ(g.op, DrawOp::RadialGradient);
  EXPECT_TRUE(near_rect(g.rect, {0, 14, 420, 580}));
  EXPECT_TRUE(near_point(g.points[0], {336, -39}));
  EXPECT_EQ(g.radius_x, 504);
  EXPECT_EQ(g.radius_y, 477);
  ASSERT_EQ(g.stops.size(), 3u);
  EXPECT_TRUE(near_color(g.stops[0].color, 64, 115, 255, 0.25f));
  EXPECT_TRUE(near_color(g.stops[1].color, 64, 115, 255, 0.075f));
  EXPECT_EQ(g.stops[1].position, 0.45f);
}

// ---- shadow --------------------------------------------------------------------------------

TEST(ShadowLayers, WidestFaintestFirstTightestStrongestLast) {
  const auto layers = shadow_layers(Rect{10, 20, 100, 40}, 11, 8, 12, rgb(20, 127, 196, 0.34f));
  // Layer i: t = i / 8, f = (1 - t) 12, alpha (t + 0.4) 0.34 / 8.
  EXPECT_TRUE(near_rect(layers[0].rect, {-2, 16, 124, 64}));
  EXPECT_FLOAT_EQ(layers[0].radius, 23);
  EXPECT_TRUE(near_color(layers[0].color, 20, 127, 196, 0.4f * 0.34f * 0.125f));
  EXPECT_TRUE(near_rect(layers[4].rect, {4, 22, 112, 52}));  // t 0.5, f 6
  EXPECT_FLOAT_EQ(layers[4].radius, 17);
  EXPECT_TRUE(near_color(layers[4].color, 20, 127, 196, 0.9f * 0.34f * 0.125f));
  EXPECT_TRUE(near_rect(layers[7].rect, {8.5f, 26.5f, 103, 43}));  // t 0.875, f 1.5
  EXPECT_FLOAT_EQ(layers[7].radius, 12.5f);
  EXPECT_TRUE(near_color(layers[7].color, 20, 127, 196, 1.275f * 0.34f * 0.125f));
  for (int i = 1; i < SHADOW_LAYERS; ++i) {
    EXPECT_LT(layers[i].rect.w, layers[i - 1].rect.w);
    EXPECT_GT(layers[i].color.a, layers[i - 1].color.a);
  }
}

TEST_F(DrawContextTest, ShadowDrawsEightRoundRectsWithOpacity) {
  draw.opacity = 0.5f;
  draw.shadow(Rect{0, 0, 50, 50}, 0, 0, 8, rgb(0, 0, 0, 1));
  ASSERT_EQ(surface.calls.size(), 8u);
  for (const DrawCall& c : surface.calls) EXPECT_EQ(c.op, DrawOp::FillRoundRect);
  EXPECT_TRUE(near_rect(surface.calls[0].rect, {-8, -8, 66, 66}));
  EXPECT_TRUE(near_color(surface.calls[0].color, 0, 0, 0, 0.4f * 0.125f * 0.5f));
  EXPECT_TRUE(near_color(surface.calls[7].color, 0, 0, 0, 1.275f * 0.125f * 0.5f));
}

// ---- strokes -------------------------------------------------------------------------------

TEST_F(DrawContextTest, StrokeRoundRectLiesInsideTheRectangle) {
  draw.stroke_round_rect(Rect{0, 0, 100, 40}, 11, 2, rgb(1, 2, 3));
  draw.stroke_round_rect(Rect{5, 5, 20, 20}, 0.5f, 3, rgb(1, 2, 3));
  ASSERT_EQ(surface.calls.size(), 2u);
  const DrawCall& s = surface.calls[0];
  EXPECT_EQ(s.op, DrawOp::DrawRoundRect);
  EXPECT_TRUE(near_rect(s.rect, {1, 1, 98, 38}));
  EXPECT_FLOAT_EQ(s.radius, 10);
  EXPECT_FLOAT_EQ(s.width, 2);
  // The stroke's outer edge falls exactly on the rectangle's edge.
  EXPECT_FLOAT_EQ(s.rect.x - s.width / 2, 0);
  EXPECT_FLOAT_EQ(s.rect.right() + s.width / 2, 100);
  EXPECT_FLOAT_EQ(s.rect.bottom() + s.width / 2, 40);
  // A radius smaller than half the width does not go negative.
  EXPECT_TRUE(near_rect(surface.calls[1].rect, {6.5f, 6.5f, 17, 17}));
  EXPECT_EQ(surface.calls[1].radius, 0);
}

TEST_F(DrawContextTest, FillRoundRectClampsNegativeRadius) {
  draw.fill_round_rect(Rect{0, 0, 10, 10}, -4, rgb(1, 2, 3));
  EXPECT_EQ(surface.calls.at(0).radius, 0);
}

TEST_F(DrawContextTest, FocusRingOnlyWhenFocusedAndOutsideByThreeAndAHalf) {
  draw.focus_ring(Rect{10, 10, 100, 40}, 11, false);
  EXPECT_TRUE(surface.calls.empty());
  draw.focus_ring(Rect{10, 10, 100, 40}, 11, true);
  ASSERT_EQ(surface.calls.size(), 1u);
  const DrawCall& ring = surface.calls[0];
  // Grown by 3.5 to (6.5, 6.5, 107, 47), radius 14.5, then inset by half the 2-DIP width.
  EXPECT_TRUE(near_rect(ring.rect, {7.5f, 7.5f, 105, 45}));
  EXPECT_FLOAT_EQ(ring.radius, 13.5f);
  EXPECT_FLOAT_EQ(ring.width, 2);
  EXPECT_TRUE(near_color(ring.color, 60, 198, 239, 0.7f));
}

// ---- check mark ----------------------------------------------------------------------------

TEST(CheckMark, DrawsStrokeByStrokeWithProgress) {
  // Size 10 at the origin: P0 (-10, 0), P1 (-3, 7), P2 (10, -7.5).
  const float first = std::hypot(7.0f, 7.0f);
  const float second = std::hypot(13.0f, 14.5f);
  const float total = first + second;

  const CheckMarkPoints none = check_mark_points(0, 0, 10, 0);
  ASSERT_EQ(none.count, 2);
  EXPECT_TRUE(near_point(none.points[0], {-10, 0}));
  EXPECT_TRUE(near_point(none.points[1], {-10, 0}));  // a zero-length first stroke

  const CheckMarkPoints half = check_mark_points(0, 0, 10, 0.5f);
  ASSERT_EQ(half.count, 3);  // the short stroke complete
  EXPECT_TRUE(near_point(half.points[1], {-3, 7}));
  const float drawn = std::hypot(half.points[2].x + 3, half.points[2].y - 7);
  EXPECT_NEAR(drawn, 0.5f * total - first, 1e-3);
  EXPECT_NEAR(drawn / second, 0.246f, 0.01f);  // about a quarter of the long stroke

  const CheckMarkPoints full = check_mark_points(0, 0, 10, 1);
  ASSERT_EQ(full.count, 3);
  EXPECT_TRUE(near_point(full.points[2], {10, -7.5f}));

  // Inside the short stroke: cut at the visible length; beyond 1 clamps.
  const CheckMarkPoints early = check_mark_points(0, 0, 10, 0.2f);
  ASSERT_EQ(early.count, 2);
  EXPECT_NEAR(std::hypot(early.points[1].x + 10, early.points[1].y), 0.2f * total, 1e-3);
  EXPECT_TRUE(near_point(check_mark_points(0, 0, 10, 3).points[2], {10, -7.5f}));
}

TEST_F(DrawContextTest, CheckMarkIsAWhitePolyline) {
  draw.check_mark(20, 30, 4.6f, 1, 1.9f);
  ASSERT_EQ(surface.calls.size(), 1u);
  const DrawCall& mark = surface.calls[0];
  EXPECT_EQ(mark.op, DrawOp::Polyline);
  EXPECT_TRUE(near_color(mark.color, 255, 255, 255, 1));
  EXPECT_FLOAT_EQ(mark.width, 1.9f);
  ASSERT_EQ(mark.points.size(), 3u);
  EXPECT_TRUE(near_point(mark.points[0], {15.4f, 30}));
  EXPECT_TRUE(near_point(mark.points[1], {20 - 1.38f, 30 + 3.22f}));
  EXPECT_TRUE(near_point(mark.points[2], {24.6f, 30 - 3.45f}));
}

// ---- arcs, lines, polylines ----------------------------------------------------------------

TEST_F(DrawContextTest, ArcEndPointsAndArcSize) {
  draw.offset_x = 100;
  draw.arc(0, 0, 10, 0, 3 * kPi / 2, 2, rgb(1, 2, 3));  // three quarters: the large arc
  draw.arc(0, 0, 10, kPi, kPi, 2, rgb(1, 2, 3));        // exactly half: small
  ASSERT_EQ(surface.calls.size(), 2u);
  const DrawCall& large = surface.calls[0];
  EXPECT_EQ(large.op, DrawOp::Arc);
  EXPECT_TRUE(large.large_arc);
  EXPECT_TRUE(near_point(large.points[0], {110, 0}));
  EXPECT_TRUE(near_point(large.points[1], {100, -10}));  // angles grow clockwise on screen
  EXPECT_FLOAT_EQ(large.radius, 10);
  const DrawCall& half = surface.calls[1];
  EXPECT_FALSE(half.large_arc);
  EXPECT_TRUE(near_point(half.points[0], {90, 0}));
  EXPECT_TRUE(near_point(half.points[1], {110, 0}));
}

TEST_F(DrawContextTest, PolylineNeedsTwoPointsAndIsShifted) {
  draw.offset_y = 3;
  draw.polyline({{1, 1}}, 1, rgb(0, 0, 0));
  EXPECT_TRUE(surface.calls.empty());
  draw.polyline({{1, 1}, {2, 2}, {3, 1}}, 1.7f, rgb(0, 0, 0));
  ASSERT_EQ(surface.calls.size(), 1u);
  EXPECT_EQ(surface.calls[0].points,
            (std::vector<Point>{{1, 4}, {2, 5}, {3, 4}}));
}

// ---- opacity, offset, clips, images, text --------------------------------------------------

TEST_F(DrawContextTest, OpacityAndOffsetReachEveryKindOfCall) {
  draw.opacity = 0.5f;
  draw.offset_x = 2;
  draw.offset_y = 14;
  const uint8_t png[4] = {0x89, 'P', 'N', 'G'};
  draw.fill_circle(10, 10, 3, rgb(10, 20, 30, 0.8f));
  draw.stroke_circle(10, 10, 3, 1, rgb(10, 20, 30));
  draw.line(0, 0, 5, 5, 1, rgb(10, 20, 30));
  draw.draw_png("logo", png, Rect{100, 20, 130, 54});
  TextStyle style;
  style.text = "Сайн";
  style.color = rgb(255, 255, 255, 0.9f);
  draw.draw_text(style, Rect{0, 0, 100, 20});

  ASSERT_EQ(surface.calls.size(), 5u);
  EXPECT_TRUE(near_point(surface.calls[0].points[0], {12, 24}));
  EXPECT_TRUE(near_color(surface.calls[0].color, 10, 20, 30, 0.4f));
  EXPECT_TRUE(near_color(surface.calls[1].color, 10, 20, 30, 0.5f));
  EXPECT_TRUE(near_point(surface.calls[2].points[1], {7, 19}));
  const DrawCall& image = surface.calls[3];
  EXPECT_EQ(image.name, "logo");
  EXPECT_EQ(image.png_size, 4u);
  EXPECT_TRUE(near_rect(image.rect, {102, 34, 130, 54}));
  EXPECT_FLOAT_EQ(image.image_opacity, 0.5f);
  const DrawCall& text = surface.calls[4];
  EXPECT_EQ(text.text.text, "Сайн");
  EXPECT_TRUE(near_rect(text.rect, {2, 14, 100, 20}));
  EXPECT_TRUE(near_color(text.color, 255, 255, 255, 0.45f));
  for (const DrawCall& c : surface.calls) {
    EXPECT_FLOAT_EQ(c.context_opacity, 0.5f);
    EXPECT_FLOAT_EQ(c.context_offset_y, 14);
  }

  draw.reset_frame_state();
  EXPECT_EQ(draw.opacity, 1.0f);
  EXPECT_EQ(draw.offset_x, 0.0f);
  EXPECT_EQ(draw.offset_y, 0.0f);
}

// A page fading in starts at opacity 0: its first frame must lay out and draw nothing, yet
// keep its clips paired and its measurements.
TEST_F(DrawContextTest, TransparentFrameDrawsNothingButClipsAndMeasures) {
  draw.opacity = 0.0f;
  TextStyle style;
  style.text = "Сайн";
  const uint8_t png[4] = {0x89, 'P', 'N', 'G'};
  draw.push_clip(Rect{0, 0, 50, 50});
  draw.shadow(Rect{0, 0, 40, 40}, 8, 4, 6, rgb(0, 0, 0, 0.3f));
  draw.fill_gradient(Rect{0, 0, 40, 40}, 8, 90, {GradientStop{rgb(0, 0, 0), 0}});
  draw.result_badge(true, 80, 2.0f);
  draw.draw_png("logo", png, Rect{0, 0, 10, 10});
  draw.draw_text(style, Rect{0, 0, 100, 20});
  EXPECT_GT(draw.measure_text(style, 100).width, 0.0f);
  draw.pop_clip();
  ASSERT_EQ(surface.calls.size(), 2u);
  EXPECT_EQ(surface.calls[0].op, DrawOp::PushClip);
  EXPECT_EQ(surface.calls[1].op, DrawOp::PopClip);
}

TEST_F(DrawContextTest, FillCirclesIsShiftedAndFadedLikeEachCircle) {
  draw.opacity = 0.5f;
  draw.offset_y = 14;
  const Point centres[] = {{9, 9}, {27, 9}};
  draw.fill_circles(centres, 1, rgb(255, 255, 255, 0.2f));
  ASSERT_EQ(surface.calls.size(), 2u);
  EXPECT_TRUE(near_point(surface.calls[1].points[0], {27, 23}));
  EXPECT_TRUE(near_color(surface.calls[1].color, 255, 255, 255, 0.1f));
}

// The raster holds every circle on whole pixels, each circle's coverage adds up to its area,
// and pixels between circles stay empty.
TEST(CircleRaster, EachCircleCoversItsAreaInsideTheBlock) {
  const struct {
    std::vector<Point> centres;
    float radius;
    float dpi;
  } cases[] = {
      {{{9, 9}, {27, 9}, {9, 27}}, 1.0f, 96.0f},   // centres on pixel corners
      {{{9, 9}, {27, 9}, {9, 27}}, 1.0f, 144.0f},  // centres inside pixels
      {{{10.3f, 4.7f}, {40.1f, 30.9f}}, 2.5f, 120.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    const CircleRaster raster = rasterize_circles(c.centres, c.radius, c.dpi);
    ASSERT_EQ(raster.coverage.size(), size_t{raster.width} * raster.height);
    const float scale = c.dpi / 96.0f;
    const float r = c.radius * scale;
    double total = 0;
    for (uint8_t v : raster.coverage) total += v;
    const double area = kPi * r * r * 255.0 * static_cast<double>(c.centres.size());
    EXPECT_NEAR(total, area, area * 0.08);
    for (const Point& p : c.centres) {
      EXPECT_LE(raster.left, std::floor(p.x * scale - r));
      EXPECT_LE(raster.top, std::floor(p.y * scale - r));
      EXPECT_GE(raster.left + static_cast<int32_t>(raster.width), std::ceil(p.x * scale + r));
      EXPECT_GE(raster.top + static_cast<int32_t>(raster.height), std::ceil(p.y * scale + r));
    }
    // Half-way between the first two circles.
    const int32_t mid_x = static_cast<int32_t>((c.centres[0].x + c.centres[1].x) / 2 * scale);
    const int32_t y = static_cast<int32_t>(c.centres[0].y * scale);
    const size_t at = static_cast<size_t>(y - raster.top) * raster.width + (mid_x - raster.left);
    if (std::abs(c.centres[0].y - c.centres[1].y) < 1) {
      EXPECT_EQ(raster.coverage[at], 0);
    }
  }
  EXPECT_TRUE(rasterize_circles({}, 1.0f, 96.0f).coverage.empty());
}

TEST_F(DrawContextTest, ClipsArePairedAndShifted) {
  draw.offset_x = 5;
  draw.pop_clip();  // without a push: nothing
  draw.push_clip(Rect{26, 100, 50, 8});
  draw.push_clip(Rect{0, 0, 10, 10});
  EXPECT_EQ(draw.clip_depth(), 2);
  draw.pop_clip();
  draw.pop_all_clips();
  EXPECT_EQ(draw.clip_depth(), 0);
  EXPECT_EQ(draw_expect::ops(surface.calls),
            (std::vector<DrawOp>{DrawOp::PushClip, DrawOp::PushClip, DrawOp::PopClip,
                                 DrawOp::PopClip}));
  EXPECT_TRUE(near_rect(surface.calls[0].rect, {31, 100, 50, 8}));
}

TEST_F(DrawContextTest, MeasureIgnoresOffset) {
  draw.offset_x = 50;
  TextStyle style;
  style.size = 10;
  style.text = "abcd";
  EXPECT_EQ(draw.measure_text(style, 300), (TextSize{20, 12.5f}));
}

// ---- easing and the result badge ------------------------------------------------------------

TEST(Easing, EndPointsAndOvershoot) {
  EXPECT_NEAR(ease_out_back(0), 0, 1e-5);
  EXPECT_FLOAT_EQ(ease_out_back(1), 1);
  EXPECT_GT(ease_out_back(0.7f), 1.05f);  // overshoots before settling
  EXPECT_FLOAT_EQ(ease_out_cubic(0), 0);
  EXPECT_FLOAT_EQ(ease_out_cubic(0.5f), 0.875f);
  EXPECT_FLOAT_EQ(ease_out_cubic(1), 1);
}

TEST_F(DrawContextTest, ResultBadgeSettledSuccessDrawsDiscAndFullCheck) {
  draw.result_badge(true, 300, 2.0f);
  // Halo, eight shadow layers, the disc, the check mark; no ring after 1 s.
  EXPECT_EQ(draw_expect::ops(surface.calls),
            draw_expect::concat({{DrawOp::FillCircle},
                             draw_expect::repeat(DrawOp::FillRoundRect, 8),
                             {DrawOp::LinearGradient, DrawOp::Polyline}}));
  EXPECT_FLOAT_EQ(surface.calls[0].radius, 40);
  const DrawCall& disc = surface.calls[9];
  EXPECT_TRUE(near_rect(disc.rect, {176, 266, 68, 68}));
  EXPECT_FLOAT_EQ(disc.radius, 34);
  EXPECT_TRUE(near_color(disc.stops[0].color, 52, 211, 153, 1));
  EXPECT_TRUE(near_color(disc.stops[1].color, 22, 157, 99, 1));
  EXPECT_TRUE(near_point(surface.calls[10].points[2], {222, 301.5f - 9}));
}

TEST_F(DrawContextTest, ResultBadgeFailureRingAndExclamationMidway) {
  draw.result_badge(false, 300, 0.5f);
  // l = 1/3: the ring; glyph input 0.444: the exclamation mark drawing itself.
  ASSERT_FALSE(surface.calls.empty());
  const DrawCall& ring = surface.calls[0];
  EXPECT_EQ(ring.op, DrawOp::DrawCircle);
  const float k = 1 - 1.0f / 3;
  EXPECT_NEAR(ring.radius, 38 + 22 * (1 - k * k * k), 1e-3);
  EXPECT_TRUE(near_color(ring.color, 221, 67, 56, 0.35f * k));
  const DrawCall& stem = surface.calls[surface.calls.size() - 2];
  EXPECT_EQ(stem.op, DrawOp::Line);
  const float u = ease_out_cubic(0.2f / 0.45f);
  EXPECT_TRUE(near_point(stem.points[1], {210, 287 + 16 * u}));
  EXPECT_NEAR(surface.calls.back().radius, 2.6f * u, 1e-4);

  surface.clear();
  draw.result_badge(false, 300, 0.2f);  // glyph not started yet: no exclamation mark
  EXPECT_NE(surface.calls.back().op, DrawOp::Line);
  EXPECT_EQ(surface.of(DrawOp::Line).size(), 0u);
}

// ---- frame clock -----------------------------------------------------------------------------

TEST(FrameClock, DeltaIsClampedAndNeverNegative) {
  FrameClock clock(100.0);
  const FrameTimes first = clock.tick(100.015);
  EXPECT_NEAR(first.dt, 0.015f, 1e-6);
  EXPECT_NEAR(first.time, 0.015f, 1e-6);
  const FrameTimes late = clock.tick(100.5);  // a frame 485 ms later advances by 50 ms
  EXPECT_FLOAT_EQ(late.dt, 0.05f);
  EXPECT_NEAR(late.time, 0.5f, 1e-6);
  const FrameTimes backwards = clock.tick(100.4);
  EXPECT_EQ(backwards.dt, 0.0f);
}

// The progress bar's easing (rate 6) under each frame pacing covers what real time says: a
// paced page's slow frames advance by their gap, and only a stall is held to the step cap.
TEST(FrameClock, EasingKeepsToRealTimeAtAnyPacing) {
  const struct {
    const char* scenario;
    float timer;  // seconds from the end of a frame to the next
    float draw;   // seconds a frame takes to draw
    bool paced;
  } cases[] = {
      {"the 15 ms timer", 0.015f, 0.002f, false},
      {"paced at 0.1 s", 0.1f, 0.01f, true},
      {"paced at three frame times of slow drawing", 0.45f, 0.15f, true},
  };
  constexpr float kRate = 6.0f;
  constexpr double kSpan = 0.7;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    FrameClock clock(0.0);
    AnimatedValues values;
    values.step(AnimKey{1, 0}, 0.0f, kRate, 0.0f);
    float value = 0.0f;
    double now = 0.0;
    while (now + c.timer + c.draw <= kSpan + 1e-6) {
      now += c.timer + c.draw;
      const FrameTimes t = clock.tick(now, frame_step_cap(c.paced, c.timer, c.draw));
      value = values.step(AnimKey{1, 0}, 1.0f, kRate, t.dt).value;
    }
    EXPECT_NEAR(value, 1.0f - std::exp(-kRate * static_cast<float>(now)), 0.01f);
  }
  // A stall of a paced page is still a stall.
  FrameClock clock(0.0);
  EXPECT_LT(clock.tick(5.0, frame_step_cap(true, 0.1f, 0.01f)).dt, 0.5f);
}

}  // namespace
}  // namespace vl
