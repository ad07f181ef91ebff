#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "native/draw_expect.h"
#include "native/recording_surface.h"
#include "ui/widgets.h"

namespace vl {
namespace {

using draw_expect::concat;
using draw_expect::near_color;
using draw_expect::near_point;
using draw_expect::near_rect;
using draw_expect::ops;
using draw_expect::repeat;

constexpr float kPi = std::numbers::pi_v<float>;
constexpr Rect kButton{26, 500, 368, 48};

// Widget state set before the first frame: a first animated value starts at its target, so
// hover and press are exactly 0 or 1 in that frame.
struct Given {
  bool hover = false;
  bool press = false;
  bool focus_ring = false;
};

void arrange(RecordingHost& host, uint32_t id, const Given& given) {
  InteractionState& in = host.input();
  if (given.hover) in.hover = id;
  if (given.press) in.press = id;
  if (given.focus_ring) {
    in.focus = id;
    in.focus_visible = true;
  }
}

std::vector<DrawCall> draw_button(ButtonStyle style, bool enabled, const Given& given,
                                  std::vector<HitTarget>* targets = nullptr) {
  RecordingHost host;
  arrange(host, 7, given);
  host.frame(0.015f, [&](FrameContext& f) {
    button(f, 7, kButton, "Суулгах", style, enabled);
  });
  if (targets) *targets = host.input().active;
  return host.calls();
}

// ---- buttons -------------------------------------------------------------------------------

struct FilledButtonCase {
  const char* scenario;
  ButtonStyle style;
  bool enabled;
  Given given;
  float hover, press, en;
};

TEST(Button, FilledStylesGeometryAndColours) {
  const FilledButtonCase cases[] = {
      {"primary at rest", ButtonStyle::Primary, true, {}, 0, 0, 1},
      {"primary hovered", ButtonStyle::Primary, true, {true, false, false}, 1, 0, 1},
      {"primary pressed", ButtonStyle::Primary, true, {true, true, false}, 1, 1, 1},
      {"primary disabled ignores hover", ButtonStyle::Primary, false, {true, true, false}, 0, 0,
       0.5f},
      {"danger at rest", ButtonStyle::Danger, true, {}, 0, 0, 1},
      {"danger hovered", ButtonStyle::Danger, true, {true, false, false}, 1, 0, 1},
  };
  for (const FilledButtonCase& c : cases) {
    SCOPED_TRACE(c.scenario);
    const bool primary = c.style == ButtonStyle::Primary;
    const std::vector<DrawCall> calls = draw_button(c.style, c.enabled, c.given);
    std::vector<DrawOp> expected_ops =
        concat({repeat(DrawOp::FillRoundRect, 8), {DrawOp::LinearGradient, DrawOp::LinearGradient}});
    if (c.press > 0) expected_ops.push_back(DrawOp::FillRoundRect);
    expected_ops.push_back(DrawOp::Text);
    ASSERT_EQ(ops(calls), expected_ops);

    const float h = c.hover;
    const Rect r = kButton.moved(0, c.press - h);
    // Shadow: layer 0 is the widest, f = spread.
    const float spread = 12 + 4 * h;
    const Rect inner{r.x + 6, r.y + 6, r.w - 12, r.h - 12};
    EXPECT_TRUE(near_rect(calls[0].rect, {inner.x - spread, inner.y - spread + 8 + 3 * h,
                                          inner.w + 2 * spread, inner.h + 2 * spread}));
    EXPECT_FLOAT_EQ(calls[0].radius, 11 + spread);
    const float a = (0.8f + 0.4f * h) * c.en * (primary ? 0.34f : 0.32f);
    if (primary) {
      EXPECT_TRUE(near_color(calls[7].color, 20, 127, 196, 1.275f * a * 0.125f));
    } else {
      EXPECT_TRUE(near_color(calls[7].color, 221, 67, 56, 1.275f * a * 0.125f));
    }

    const DrawCall& body = calls[8];
    EXPECT_TRUE(near_rect(body.rect, r));
    EXPECT_FLOAT_EQ(body.radius, 11);
    const GradientLine diagonal = gradient_line(r, 135);
    EXPECT_TRUE(near_point(body.points[0], diagonal.start));
    EXPECT_TRUE(near_point(body.points[1], diagonal.end));
    ASSERT_EQ(body.stops.size(), 2u);
    if (primary) {
      EXPECT_TRUE(near_color(body.stops[0].color, 57, 198, 240, c.en));
      EXPECT_TRUE(near_color(body.stops[1].color, 26, 127, 208, c.en));
    } else {
      EXPECT_TRUE(near_color(body.stops[0].color, 242, 107, 95, c.en));
      EXPECT_TRUE(near_color(body.stops[1].color, 210, 59, 48, c.en));
    }

    const DrawCall& gloss = calls[9];
    EXPECT_TRUE(near_rect(gloss.rect, {r.x, r.y, r.w, 0.55f * r.h}));
    EXPECT_TRUE(near_point(gloss.points[0], {r.x + r.w / 2, r.y}));  // angle 180: downwards
    EXPECT_TRUE(near_point(gloss.points[1], {r.x + r.w / 2, r.y + 0.55f * r.h}));
    EXPECT_TRUE(near_color(gloss.stops[0].color, 255, 255, 255, 0.16f + 0.08f * h));
    EXPECT_TRUE(near_color(gloss.stops[1].color, 255, 255, 255, 0));

    if (c.press > 0) {
      EXPECT_TRUE(near_rect(calls[10].rect, r));
      EXPECT_TRUE(near_color(calls[10].color, 0, 0, 0, 0.07f));
    }
    const DrawCall& label = calls.back();
    EXPECT_EQ(label.text.text, "Суулгах");
    EXPECT_TRUE(near_rect(label.rect, r));
    EXPECT_EQ(label.text.size, 14);
    EXPECT_EQ(label.text.weight, 3);
    EXPECT_FALSE(label.text.display);
    EXPECT_FALSE(label.text.wrap);
    EXPECT_EQ(label.text.align, TextAlign::Center);
    EXPECT_TRUE(near_color(label.color, 255, 255, 255, c.en));
  }
}

TEST(Button, SecondaryAtRestAndHovered) {
  for (float h : {0.0f, 1.0f}) {
    SCOPED_TRACE(h);
    const std::vector<DrawCall> calls =
        draw_button(ButtonStyle::Secondary, true, Given{h > 0, false, false});
    ASSERT_EQ(ops(calls), (std::vector<DrawOp>{DrawOp::FillRoundRect, DrawOp::DrawRoundRect,
                                               DrawOp::Text}));
    const Rect r = kButton.moved(0, -h);
    EXPECT_TRUE(near_rect(calls[0].rect, r));
    EXPECT_TRUE(near_color(calls[0].color, 245 - 7 * h, 248 - 5 * h, 252 - 3 * h, 1));
    EXPECT_TRUE(near_rect(calls[1].rect, {r.x + 0.5f, r.y + 0.5f, r.w - 1, r.h - 1}));
    EXPECT_FLOAT_EQ(calls[1].radius, 10.5f);
    EXPECT_FLOAT_EQ(calls[1].width, 1);
    const float hs = 0.6f * h;
    EXPECT_TRUE(near_color(calls[1].color, 214 - 40 * hs, 222 - 37 * hs, 234 - 34 * hs, 1));
    EXPECT_TRUE(near_color(calls[2].color, 57, 73, 95, 1));
  }
}

TEST(Button, DisabledSecondaryLabelAtHalfStrength) {
  const std::vector<DrawCall> calls = draw_button(ButtonStyle::Secondary, false, {});
  EXPECT_TRUE(near_color(calls.back().color, 57, 73, 95, 0.5f));
}

TEST(Button, EnabledRegistersItsRectangleDisabledNothing) {
  std::vector<HitTarget> targets;
  draw_button(ButtonStyle::Primary, true, {}, &targets);
  ASSERT_EQ(targets.size(), 1u);
  EXPECT_EQ(targets[0], (HitTarget{7, kButton, true}));
  draw_button(ButtonStyle::Primary, false, {}, &targets);
  EXPECT_TRUE(targets.empty());
}

TEST(Button, FocusRingAroundTheDrawnRectangle) {
  const std::vector<DrawCall> calls =
      draw_button(ButtonStyle::Primary, true, Given{true, false, true});
  ASSERT_EQ(calls.back().op, DrawOp::DrawRoundRect);
  // Lifted by the hover: r = (26, 499, 368, 48); ring grown by 3.5 and inset by 1.
  EXPECT_TRUE(near_rect(calls.back().rect, {23.5f, 496.5f, 373, 53}));
  EXPECT_FLOAT_EQ(calls.back().radius, 13.5f);
  EXPECT_TRUE(near_color(calls.back().color, 60, 198, 239, 0.7f));
  // A disabled button never shows the ring, even when it holds the focus id.
  const std::vector<DrawCall> disabled =
      draw_button(ButtonStyle::Primary, false, Given{false, false, true});
  EXPECT_EQ(disabled.back().op, DrawOp::Text);
}

TEST(Button, DisabledCannotBeClickedOrActivatedByEnterThroughFocus) {
  RecordingHost host;
  auto paint = [](FrameContext& f) {
    button(f, 7, kButton, "Суулгах", ButtonStyle::Primary, false);
  };
  host.frame(0.015f, paint);
  InteractionState& in = host.input();
  on_mouse_move(in, 100, 520);
  on_button_down(in);
  EXPECT_EQ(on_button_up(in, 100, 520), std::nullopt);
  on_key_down(in, Key::Tab, false, false);
  EXPECT_EQ(in.focus, std::nullopt);
  in.focus = 7;  // a focus left from when it was enabled
  in.focus_visible = true;
  EXPECT_EQ(on_key_down(in, Key::Enter, false, false).kind, KeyOutcome::Kind::DefaultAction);
}

TEST(Button, DraggingOffWhilePressedReleasesThePressLook) {
  RecordingHost host;
  arrange(host, 7, Given{true, true, false});
  auto paint = [](FrameContext& f) {
    button(f, 7, kButton, "Суулгах", ButtonStyle::Primary, true);
  };
  host.frame(0.015f, paint);
  ASSERT_EQ(host.surface().of(DrawOp::FillRoundRect).size(), 9u);  // shadow and press shade
  on_mouse_move(host.input(), 200, 100);  // off the button, the press still held
  EXPECT_EQ(host.input().press, 7u);
  const auto result = host.frame(0.015f, paint);
  EXPECT_TRUE(result.animate);
  const float press = std::exp(-22 * 0.015f);
  const float hover = std::exp(-14 * 0.015f);
  EXPECT_NEAR(host.surface().of(DrawOp::FillRoundRect).back().color.a, 0.07f * press, 1e-5);
  EXPECT_NEAR(host.calls()[8].rect.y, 500 + press - hover, 1e-4);
}

TEST(Button, HoverEasesInAndLiftsTheButton) {
  RecordingHost host;
  auto paint = [](FrameContext& f) {
    button(f, 7, kButton, "Суулгах", ButtonStyle::Secondary, true);
  };
  host.frame(0.015f, paint);
  on_mouse_move(host.input(), 100, 520);
  const auto result = host.frame(0.015f, paint);
  EXPECT_TRUE(result.animate);
  const float h = 1 - std::exp(-14 * 0.015f);
  EXPECT_NEAR(host.calls()[0].rect.y, 500 - h, 1e-4);
}

// ---- check box ---------------------------------------------------------------------------

constexpr Rect kRow{75, 200, 270, 20};

TEST(CheckBox, UncheckedAtRestAndHovered) {
  for (float h : {0.0f, 1.0f}) {
    SCOPED_TRACE(h);
    RecordingHost host;
    arrange(host, 3, Given{h > 0, false, false});
    host.frame(0.015f, [](FrameContext& f) { check_box(f, 3, kRow, false, "Ширээний товчлол"); });
    const auto& calls = host.calls();
    ASSERT_EQ(ops(calls), (std::vector<DrawOp>{DrawOp::FillRoundRect, DrawOp::DrawRoundRect,
                                               DrawOp::Text}));
    const Rect box{75, 200.5f, 19, 19};
    EXPECT_TRUE(near_rect(calls[0].rect, box));
    EXPECT_FLOAT_EQ(calls[0].radius, 5.5f);
    EXPECT_TRUE(near_color(calls[0].color, 255, 255, 255, 1));
    EXPECT_TRUE(near_rect(calls[1].rect, {75.75f, 201.25f, 17.5f, 17.5f}));
    EXPECT_FLOAT_EQ(calls[1].radius, 4.75f);
    EXPECT_FLOAT_EQ(calls[1].width, 1.5f);
    EXPECT_TRUE(near_color(calls[1].color, 214 - 154 * h, 222 - 24 * h, 234 + 5 * h, 1));
    EXPECT_TRUE(near_rect(calls[2].rect, {104, 200, 241, 20}));
    EXPECT_EQ(calls[2].text.size, 12.5f);
    EXPECT_EQ(calls[2].text.weight, 1);
    EXPECT_EQ(calls[2].text.align, TextAlign::Leading);
    EXPECT_TRUE(near_color(calls[2].color, 57 - 44 * h, 73 - 46 * h, 95 - 49 * h, 1));
    EXPECT_EQ(host.input().active, (std::vector<HitTarget>{{3, kRow, true}}));
  }
}

TEST(CheckBox, CheckedDrawsGradientAndFullMark) {
  RecordingHost host;
  host.frame(0.015f, [](FrameContext& f) { check_box(f, 3, kRow, true, "Нээх"); });
  const auto& calls = host.calls();
  ASSERT_EQ(ops(calls),
            (std::vector<DrawOp>{DrawOp::FillRoundRect, DrawOp::DrawRoundRect,
                                 DrawOp::LinearGradient, DrawOp::Polyline, DrawOp::Text}));
  EXPECT_FLOAT_EQ(calls[1].color.a, 0);  // the outline has faded out
  EXPECT_TRUE(near_rect(calls[2].rect, {75, 200.5f, 19, 19}));
  EXPECT_FLOAT_EQ(calls[2].radius, 5.5f);
  EXPECT_TRUE(near_color(calls[2].stops[0].color, 57, 198, 240, 1));
  EXPECT_TRUE(near_color(calls[2].stops[1].color, 26, 127, 208, 1));
  const CheckMarkPoints mark = check_mark_points(84.5f, 210.5f, 4.6f, 1);
  ASSERT_EQ(calls[3].points.size(), 3u);
  EXPECT_TRUE(near_point(calls[3].points[2], mark.points[2]));
  EXPECT_FLOAT_EQ(calls[3].width, 1.9f);
}

TEST(CheckBox, CheckingDrawsTheMarkAndUncheckingRunsItBackwards) {
  RecordingHost host;
  bool checked = false;
  auto paint = [&](FrameContext& f) { check_box(f, 3, kRow, checked, "Нээх"); };
  host.frame(0.015f, paint);
  checked = true;
  float previous_length = 0;
  float previous_outline = 1;
  int frames = 0;
  for (bool animating = true; animating && frames < 100; ++frames) {
    animating = host.frame(0.015f, paint).animate;
    const auto gradient = host.surface().of(DrawOp::LinearGradient);
    ASSERT_EQ(gradient.size(), 1u);
    const float c = gradient[0].stops[0].color.a;
    const auto mark = host.surface().of(DrawOp::Polyline).at(0);
    const CheckMarkPoints expected = check_mark_points(84.5f, 210.5f, 4.6f, c);
    ASSERT_EQ(mark.points.size(), static_cast<size_t>(expected.count));
    EXPECT_TRUE(near_point(mark.points.back(), expected.points[expected.count - 1]));
    const float outline = host.surface().of(DrawOp::DrawRoundRect).at(0).color.a;
    EXPECT_NEAR(outline, 1 - c, 1e-5);
    EXPECT_LT(outline, previous_outline);
    float length = 0;
    for (size_t i = 1; i < mark.points.size(); ++i) {
      length += std::hypot(mark.points[i].x - mark.points[i - 1].x,
                           mark.points[i].y - mark.points[i - 1].y);
    }
    EXPECT_GT(length, previous_length);
    previous_length = length;
    previous_outline = outline;
  }
  EXPECT_GT(frames, 5);
  EXPECT_LT(frames, 100);
  EXPECT_EQ(previous_outline, 0);

  checked = false;
  host.frame(0.015f, paint);
  const float c = host.surface().of(DrawOp::LinearGradient).at(0).stops[0].color.a;
  EXPECT_NEAR(c, std::exp(-18 * 0.015f), 1e-4);  // the box empties at rate 18
  EXPECT_NEAR(host.surface().of(DrawOp::DrawRoundRect).at(0).color.a, 1 - c, 1e-5);
  float before = host.surface().of(DrawOp::Polyline).at(0).points.back().x;
  float outline_before = 1 - c;
  for (int i = 0; i < 100 && host.frame(0.015f, paint).animate; ++i) {
    const auto mark = host.surface().of(DrawOp::Polyline);
    ASSERT_EQ(mark.size(), 1u);
    // The mark's end runs back along its strokes (x falls on both) as the outline returns.
    EXPECT_LT(mark[0].points.back().x, before);
    before = mark[0].points.back().x;
    const float outline = host.surface().of(DrawOp::DrawRoundRect).at(0).color.a;
    EXPECT_GT(outline, outline_before);
    outline_before = outline;
  }
  EXPECT_TRUE(host.surface().of(DrawOp::Polyline).empty());
  EXPECT_EQ(host.surface().of(DrawOp::DrawRoundRect).at(0).color.a, 1);
}

TEST(CheckBox, FocusRingAroundTheBox) {
  RecordingHost host;
  arrange(host, 3, Given{false, false, true});
  host.frame(0.015f, [](FrameContext& f) { check_box(f, 3, kRow, false, "Нээх"); });
  const DrawCall& ring = host.calls().back();
  EXPECT_EQ(ring.op, DrawOp::DrawRoundRect);
  EXPECT_TRUE(near_rect(ring.rect, {72.5f, 198, 24, 24}));  // (75, 200.5, 19, 19) grown 3.5, inset 1
  EXPECT_FLOAT_EQ(ring.radius, 8);
}

// ---- radio card ----------------------------------------------------------------------------

constexpr Rect kCard{26, 150, 368, 64};  // cy = 182

std::vector<DrawCall> draw_card(bool selected, const Given& given) {
  RecordingHost host;
  arrange(host, 11, given);
  host.frame(0.015f, [&](FrameContext& f) {
    radio_card(f, 11, kCard, selected, person_icon, "Зөвхөн надад", "Одоогийн хэрэглэгч");
  });
  return host.calls();
}

TEST(RadioCard, UnselectedAtRestAndHovered) {
  for (float h : {0.0f, 1.0f}) {
    SCOPED_TRACE(h);
    const std::vector<DrawCall> calls = draw_card(false, Given{h > 0, false, false});
    ASSERT_EQ(ops(calls),
              (std::vector<DrawOp>{DrawOp::FillRoundRect, DrawOp::DrawRoundRect,
                                   DrawOp::FillRoundRect, DrawOp::DrawCircle, DrawOp::Arc,
                                   DrawOp::Text, DrawOp::Text, DrawOp::FillCircle,
                                   DrawOp::DrawCircle}));
    EXPECT_TRUE(near_rect(calls[0].rect, kCard));
    EXPECT_FLOAT_EQ(calls[0].radius, 14);
    EXPECT_TRUE(near_color(calls[0].color, 255, 255, 255, 1));
    EXPECT_TRUE(near_rect(calls[1].rect, {26.5f, 150.5f, 367, 63}));
    EXPECT_FLOAT_EQ(calls[1].width, 1);
    EXPECT_TRUE(near_color(calls[1].color, 231 - 17 * h, 236 - 14 * h, 243 - 9 * h, 1));
    // Icon tile and the icon centred on it.
    EXPECT_TRUE(near_rect(calls[2].rect, {40, 164, 36, 36}));
    EXPECT_FLOAT_EQ(calls[2].radius, 10);
    EXPECT_TRUE(near_color(calls[2].color, 60, 198, 239, 0.1f));
    EXPECT_TRUE(near_point(calls[3].points[0], {58, 178.5f}));
    EXPECT_TRUE(near_color(calls[3].color, 20, 136, 196, 1));
    // Texts.
    EXPECT_EQ(calls[5].text.text, "Зөвхөн надад");
    EXPECT_TRUE(near_rect(calls[5].rect, {88, 162, 262, 18}));
    EXPECT_EQ(calls[5].text.weight, 2);
    EXPECT_EQ(calls[5].text.size, 12.5f);
    EXPECT_TRUE(near_color(calls[5].color, 13, 27, 46, 1));
    EXPECT_EQ(calls[6].text.text, "Одоогийн хэрэглэгч");
    EXPECT_TRUE(near_rect(calls[6].rect, {88, 181, 262, 16}));
    EXPECT_EQ(calls[6].text.weight, 0);
    EXPECT_EQ(calls[6].text.size, 11);
    EXPECT_TRUE(near_color(calls[6].color, 106, 122, 144, 1));
    // The radio: white disc and grey ring, no dot.
    EXPECT_TRUE(near_point(calls[7].points[0], {370, 182}));
    EXPECT_FLOAT_EQ(calls[7].radius, 9);
    EXPECT_FLOAT_EQ(calls[8].radius, 8.5f);
    EXPECT_FLOAT_EQ(calls[8].width, 1.5f);
    EXPECT_TRUE(near_color(calls[8].color, 214, 222, 234, 1));
  }
}

TEST(RadioCard, SelectedShadowPaleFillAccentOutlineAndDot) {
  const std::vector<DrawCall> calls = draw_card(true, {});
  ASSERT_EQ(ops(calls),
            concat({repeat(DrawOp::FillRoundRect, 8),
                    {DrawOp::FillRoundRect, DrawOp::DrawRoundRect, DrawOp::FillRoundRect,
                     DrawOp::DrawCircle, DrawOp::Arc, DrawOp::Text, DrawOp::Text,
                     DrawOp::FillCircle, DrawOp::DrawCircle, DrawOp::FillCircle}}));
  // Shadow of (30, 154, 360, 56), dy 6, spread 10: widest layer first.
  EXPECT_TRUE(near_rect(calls[0].rect, {20, 150, 380, 76}));
  EXPECT_FLOAT_EQ(calls[0].radius, 24);
  EXPECT_TRUE(near_color(calls[0].color, 20, 127, 196, 0.4f * 0.14f * 0.125f));
  EXPECT_TRUE(near_color(calls[8].color, 236, 249, 254, 1));
  EXPECT_TRUE(near_rect(calls[9].rect, {26.75f, 150.75f, 366.5f, 62.5f}));
  EXPECT_FLOAT_EQ(calls[9].width, 1.5f);
  EXPECT_TRUE(near_color(calls[9].color, 33, 171, 224, 1));
  EXPECT_TRUE(near_color(calls[10].color, 60, 198, 239, 0.18f));
  EXPECT_TRUE(near_color(calls[16].color, 33, 171, 224, 1));  // (214 - 181, 222 - 51, 234 - 10)
  EXPECT_TRUE(near_point(calls[17].points[0], {370, 182}));
  EXPECT_FLOAT_EQ(calls[17].radius, 4.8f);
  EXPECT_TRUE(near_color(calls[17].color, 33, 171, 224, 1));
}

TEST(RadioCard, SelectionAnimatesWithOvershootingDot) {
  RecordingHost host;
  bool selected = false;
  auto paint = [&](FrameContext& f) {
    radio_card(f, 11, kCard, selected, people_icon, "Бүх хэрэглэгч", "Админ эрх");
  };
  host.frame(0.015f, paint);
  selected = true;
  float largest = 0;
  float last = 0;
  float previous_s = 0;
  for (int i = 0; i < 200 && host.frame(0.015f, paint).animate; ++i) {
    const DrawCall dot = host.calls().back();
    ASSERT_EQ(dot.op, DrawOp::FillCircle);
    last = dot.radius;
    largest = std::max(largest, last);
    // The shadow's alpha tracks s: 0.14 s on the widest layer (before opacity 0.4 / 8).
    const float s = host.calls()[0].color.a / (0.4f * 0.125f * 0.14f);
    EXPECT_GT(s, previous_s);
    EXPECT_NEAR(dot.radius, 4.8f * ease_out_back(s), 1e-3);
    previous_s = s;
  }
  EXPECT_GT(largest, 4.8f * 1.05f);
  EXPECT_EQ(host.calls().back().radius, 4.8f);
}

TEST(RadioCard, FocusRingAroundTheCard) {
  const std::vector<DrawCall> calls = draw_card(false, Given{false, false, true});
  EXPECT_EQ(calls.back().op, DrawOp::DrawRoundRect);
  EXPECT_TRUE(near_rect(calls.back().rect, {23.5f, 147.5f, 373, 69}));
  EXPECT_FLOAT_EQ(calls.back().radius, 16.5f);
}

// ---- link --------------------------------------------------------------------------------

constexpr Rect kLinkRect{0, 540, 420, 20};
// "Устгах": six code points at 0.5 x 12.5 each in the recording measure.
constexpr float kLinkWidth = 37.5f;

std::vector<DrawCall> draw_link(TextAlign align, const Given& given) {
  RecordingHost host;
  arrange(host, 9, given);
  host.frame(0.015f, [&](FrameContext& f) { link(f, 9, kLinkRect, "Устгах", align); });
  return host.calls();
}

TEST(Link, ColourAndUnderlineByHover) {
  const std::vector<DrawCall> rest = draw_link(TextAlign::Center, {});
  ASSERT_EQ(ops(rest), std::vector<DrawOp>{DrawOp::Text});
  EXPECT_TRUE(near_color(rest[0].color, 20, 136, 196, 1));
  EXPECT_TRUE(near_rect(rest[0].rect, kLinkRect));
  EXPECT_EQ(rest[0].text.align, TextAlign::Center);
  EXPECT_EQ(rest[0].text.weight, 2);
  EXPECT_EQ(rest[0].text.size, 12.5f);

  const std::vector<DrawCall> hovered = draw_link(TextAlign::Center, Given{true, false, false});
  ASSERT_EQ(ops(hovered), (std::vector<DrawOp>{DrawOp::Text, DrawOp::Line}));
  EXPECT_TRUE(near_color(hovered[0].color, 33, 171, 224, 1));
  const float lx = (420 - kLinkWidth) / 2;
  EXPECT_TRUE(near_point(hovered[1].points[0], {lx, 558.5f}));
  EXPECT_TRUE(near_point(hovered[1].points[1], {lx + kLinkWidth, 558.5f}));
  EXPECT_FLOAT_EQ(hovered[1].width, 1);
  EXPECT_TRUE(near_color(hovered[1].color, 33, 171, 224, 0.6f));
}

TEST(Link, TrailingUnderlineEndsAtTheRightEdge) {
  const std::vector<DrawCall> calls = draw_link(TextAlign::Trailing, Given{true, false, true});
  ASSERT_EQ(ops(calls), (std::vector<DrawOp>{DrawOp::Text, DrawOp::Line, DrawOp::DrawRoundRect}));
  EXPECT_TRUE(near_point(calls[1].points[0], {420 - kLinkWidth, 558.5f}));
  EXPECT_TRUE(near_point(calls[1].points[1], {420, 558.5f}));
  // Ring around (lx - 4, 540, tw + 8, 20) with radius 6.
  EXPECT_TRUE(near_rect(calls[2].rect, {420 - kLinkWidth - 4 - 2.5f, 537.5f, kLinkWidth + 13, 25}));
  EXPECT_FLOAT_EQ(calls[2].radius, 8.5f);
}

TEST(Link, UnderlineGrowsFromTheLeftAsHoverEasesIn) {
  RecordingHost host;
  auto paint = [](FrameContext& f) { link(f, 9, kLinkRect, "Устгах", TextAlign::Center); };
  host.frame(0.015f, paint);
  on_mouse_move(host.input(), 210, 550);
  const float lx = (420 - kLinkWidth) / 2;
  float previous = 0;
  for (int i = 1; i <= 5; ++i) {
    host.frame(0.015f, paint);
    const auto lines = host.surface().of(DrawOp::Line);
    ASSERT_EQ(lines.size(), 1u);
    const float h = 1 - std::exp(-14 * 0.015f * i);
    EXPECT_TRUE(near_point(lines[0].points[0], {lx, 558.5f}));
    EXPECT_NEAR(lines[0].points[1].x, lx + h * kLinkWidth, 1e-3);
    EXPECT_GT(lines[0].points[1].x, previous);
    previous = lines[0].points[1].x;
  }
}

// ---- icons ---------------------------------------------------------------------------------

std::vector<DrawCall> draw_icon(void (*icon)(FrameContext&, float, float, const Color&),
                                Color color) {
  RecordingHost host;
  host.frame(0.015f, [&](FrameContext& f) { icon(f, 100, 50, color); });
  return host.calls();
}

TEST(Icons, FolderOutlineAndFoldLine) {
  const auto calls = draw_icon(folder_icon, rgb(20, 136, 196));
  ASSERT_EQ(ops(calls), (std::vector<DrawOp>{DrawOp::Polyline, DrawOp::Line}));
  EXPECT_EQ(calls[0].points, (std::vector<Point>{{91, 45.5f}, {91, 56}, {109, 56}, {109, 47},
                                                 {100, 47}, {98, 44}, {92.5f, 44},
                                                 {91, 45.5f}}));
  EXPECT_FLOAT_EQ(calls[0].width, 1.7f);
  EXPECT_TRUE(near_color(calls[0].color, 20, 136, 196, 1));
  EXPECT_EQ(calls[1].points, (std::vector<Point>{{91, 49.5f}, {109, 49.5f}}));
  EXPECT_FLOAT_EQ(calls[1].width, 1.7f);
}

TEST(Icons, WarningTriangleStemAndDotInAmber) {
  RecordingHost host;
  host.frame(0.015f, [](FrameContext& f) { warning_icon(f, 100, 50); });
  const auto& calls = host.calls();
  ASSERT_EQ(ops(calls), (std::vector<DrawOp>{DrawOp::Polyline, DrawOp::Line, DrawOp::FillCircle}));
  EXPECT_EQ(calls[0].points,
            (std::vector<Point>{{100, 42}, {109, 57.5f}, {91, 57.5f}, {100, 42}}));
  EXPECT_FLOAT_EQ(calls[0].width, 1.7f);
  EXPECT_EQ(calls[1].points, (std::vector<Point>{{100, 47.5f}, {100, 52}}));
  EXPECT_FLOAT_EQ(calls[1].width, 1.8f);
  EXPECT_TRUE(near_point(calls[2].points[0], {100, 54.9f}));
  EXPECT_FLOAT_EQ(calls[2].radius, 1.05f);
  for (const DrawCall& c : calls) EXPECT_TRUE(near_color(c.color, 224, 138, 30, 1));
}

TEST(Icons, PersonHeadAndUpperHalfShoulders) {
  const auto calls = draw_icon(person_icon, rgb(20, 136, 196));
  ASSERT_EQ(ops(calls), (std::vector<DrawOp>{DrawOp::DrawCircle, DrawOp::Arc}));
  EXPECT_TRUE(near_point(calls[0].points[0], {100, 46.5f}));
  EXPECT_FLOAT_EQ(calls[0].radius, 3.6f);
  EXPECT_FLOAT_EQ(calls[0].width, 1.7f);
  // From angle pi (left) clockwise through the top to 2 pi (right).
  EXPECT_TRUE(near_point(calls[1].points[0], {93, 59.5f}));
  EXPECT_TRUE(near_point(calls[1].points[1], {107, 59.5f}));
  EXPECT_FLOAT_EQ(calls[1].radius, 7);
  EXPECT_FALSE(calls[1].large_arc);
}

TEST(Icons, PeopleFrontPersonAndFainterBackPerson) {
  const auto calls = draw_icon(people_icon, rgb(20, 136, 196, 0.8f));
  ASSERT_EQ(ops(calls),
            (std::vector<DrawOp>{DrawOp::DrawCircle, DrawOp::Arc, DrawOp::DrawCircle, DrawOp::Arc}));
  EXPECT_TRUE(near_point(calls[0].points[0], {97, 46.5f}));
  EXPECT_FLOAT_EQ(calls[0].radius, 3.4f);
  EXPECT_TRUE(near_point(calls[1].points[0], {90.4f, 59}));
  EXPECT_TRUE(near_point(calls[1].points[1], {103.6f, 59}));
  EXPECT_TRUE(near_color(calls[1].color, 20, 136, 196, 0.8f));

  EXPECT_TRUE(near_point(calls[2].points[0], {105, 45.5f}));
  EXPECT_FLOAT_EQ(calls[2].radius, 2.6f);
  EXPECT_FLOAT_EQ(calls[2].width, 1.5f);
  EXPECT_TRUE(near_color(calls[2].color, 20, 136, 196, 0.56f));
  const float c = 4.8f * std::cos(5 * kPi / 4);
  EXPECT_TRUE(near_point(calls[3].points[0], {105.5f + c, 56.5f + c}));
  EXPECT_TRUE(near_point(calls[3].points[1], {110.3f, 56.5f}));
  EXPECT_FLOAT_EQ(calls[3].radius, 4.8f);
  EXPECT_FALSE(calls[3].large_arc);
  EXPECT_FLOAT_EQ(calls[3].width, 1.5f);
  EXPECT_TRUE(near_color(calls[3].color, 20, 136, 196, 0.56f));
}

}  // namespace
}  // namespace vl
