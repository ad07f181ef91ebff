#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "native/recording_surface.h"
#include "ui/interaction.h"
#include "ui/widgets.h"

namespace vl {
namespace {

HitTarget target(uint32_t id, Rect rect) { return HitTarget{id, rect, is_focusable_id(id)}; }

// ---- animate -----------------------------------------------------------------------------

TEST(Animate, FirstValueStartsAtItsTarget) {
  RecordingHost host;
  float value = -1;
  const auto result = host.frame(0.015f, [&](FrameContext& f) {
    value = animate(f, AnimKey{0x7090, 0}, 250.0f, 10.0f);
  });
  EXPECT_EQ(value, 250.0f);
  EXPECT_FALSE(result.animate);
}

TEST(Animate, Rate14At15msSettlesIn30FramesThenStopsAskingForFrames) {
  RecordingHost host;
  const AnimKey key{8, 0};
  float value = 0;
  host.frame(0.015f, [&](FrameContext& f) { value = animate(f, key, 0.0f, 14.0f); });
  ASSERT_EQ(value, 0.0f);
  for (int n = 1; n <= 29; ++n) {
    const auto result = host.frame(0.015f, [&](FrameContext& f) {
      value = animate(f, key, 1.0f, 14.0f);
    });
    SCOPED_TRACE(n);
    EXPECT_TRUE(result.animate);
    EXPECT_NEAR(value, 1.0 - std::exp(-0.21 * n), 1e-4);
    EXPECT_GE(1.0f - value, 0.002f);
  }
  auto result = host.frame(0.015f, [&](FrameContext& f) { value = animate(f, key, 1.0f, 14.0f); });
  EXPECT_EQ(value, 1.0f);  // within 0.002: snapped to the target
  EXPECT_FALSE(result.animate);
  result = host.frame(0.015f, [&](FrameContext& f) { value = animate(f, key, 1.0f, 14.0f); });
  EXPECT_EQ(value, 1.0f);
  EXPECT_FALSE(result.animate);
}

TEST(Animate, ASetValueEasesFromThereAgain) {
  AnimatedValues values;
  const AnimKey key{0xF00D, 0};
  values.step(key, 1.0f, 10.0f, 0.015f);
  values.set(key, 0.0f);
  const AnimStep next = values.step(key, 1.0f, 10.0f, 0.015f);
  EXPECT_LT(next.value, 0.5f);
  EXPECT_FALSE(next.settled);
}

TEST(Animate, KeysAndSubKeysAreSeparateValues) {
  AnimatedValues values;
  values.step(AnimKey{1, 0}, 5, 10, 0.015f);
  values.step(AnimKey{1, 1}, 7, 10, 0.015f);
  EXPECT_EQ(values.get(AnimKey{1, 0}), 5.0f);
  EXPECT_EQ(values.get(AnimKey{1, 1}), 7.0f);
  EXPECT_FALSE(values.get(AnimKey{2, 0}).has_value());
  // A zero dt does not move a value and keeps the frame asking while it is away from target.
  const AnimStep still = values.step(AnimKey{1, 0}, 6, 10, 0.0f);
  EXPECT_EQ(still.value, 5.0f);
  EXPECT_FALSE(still.settled);
}

// ---- hit_test ------------------------------------------------------------------------------

TEST(HitTest, HalfOpenEdges) {
  const std::vector<HitTarget> targets{target(1, {10, 10, 20, 20})};
  struct Case {
    float x, y;
    std::optional<uint32_t> hit;
  };
  const Case cases[] = {
      {10, 10, 1},          {29.99f, 29.99f, 1}, {30, 15, std::nullopt},
      {15, 30, std::nullopt}, {9.99f, 15, std::nullopt}, {15, 9.99f, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x << ", " << c.y);
    EXPECT_EQ(hit_test(targets, c.x, c.y), c.hit);
  }
}

TEST(HitTest, LaterRegisteredTargetIsOnTop) {
  const std::vector<HitTarget> targets{target(1, {0, 0, 100, 100}), target(2, {50, 50, 20, 20}),
                                       target(3, {0, 0, 10, 10})};
  EXPECT_EQ(hit_test(targets, 55, 55), 2u);
  EXPECT_EQ(hit_test(targets, 5, 5), 3u);
  EXPECT_EQ(hit_test(targets, 80, 20), 1u);
  EXPECT_EQ(hit_test({}, 5, 5), std::nullopt);
}

// ---- move_focus ----------------------------------------------------------------------------

struct FocusCase {
  const char* scenario;
  std::vector<HitTarget> active;
  std::optional<uint32_t> focus;
  bool backwards;
  std::optional<uint32_t> expected;
};

TEST(MoveFocus, TraversalTable) {
  const Rect r{0, 0, 10, 10};
  const std::vector<HitTarget> page{target(TARGET_MINIMIZE, r), target(TARGET_CLOSE, r),
                                    target(1, r), target(2, r), target(3, r)};
  const std::vector<HitTarget> prompt{target(TARGET_CLOSE, r), target(1, r), target(2, r),
                                      target(TARGET_BLOCKER, {0, 0, 420, 580}),
                                      target(10, r), target(11, r)};
  const FocusCase cases[] = {
      {"forwards from nothing takes the first", page, std::nullopt, false, 1},
      {"backwards from nothing takes the last", page, std::nullopt, true, 3},
      {"forwards steps on", page, 1, false, 2},
      {"forwards wraps after the last", page, 3, false, 1},
      {"backwards wraps before the first", page, 1, true, 3},
      {"backwards steps back", page, 3, true, 2},
      {"a focus no longer drawn restarts forwards", page, 42, false, 1},
      {"a focus no longer drawn restarts backwards", page, 42, true, 3},
      {"blocker: forwards from nothing stays in the prompt", prompt, std::nullopt, false, 10},
      {"blocker: forwards wraps inside the prompt", prompt, 11, false, 10},
      {"blocker: backwards wraps inside the prompt", prompt, 10, true, 11},
      {"blocker: a page focus moves into the prompt", prompt, 2, false, 10},
      {"blocker: a page focus moves into the prompt backwards", prompt, 1, true, 11},
  };
  for (const FocusCase& c : cases) {
    SCOPED_TRACE(c.scenario);
    InteractionState state;
    state.active = c.active;
    state.focus = c.focus;
    move_focus(state, c.backwards);
    EXPECT_EQ(state.focus, c.expected);
    EXPECT_TRUE(state.focus_visible);
  }
}

TEST(MoveFocus, NothingFocusableChangesNothing) {
  const Rect r{0, 0, 10, 10};
  for (bool backwards : {false, true}) {
    InteractionState state;
    state.active = {target(TARGET_MINIMIZE, r), target(TARGET_CLOSE, r)};
    state.focus = 7;
    move_focus(state, backwards);
    EXPECT_EQ(state.focus, 7u);
    EXPECT_FALSE(state.focus_visible);
  }
  InteractionState empty_prompt;
  empty_prompt.active = {target(1, r), target(TARGET_BLOCKER, r)};
  move_focus(empty_prompt, false);
  EXPECT_EQ(empty_prompt.focus, std::nullopt);
  EXPECT_FALSE(empty_prompt.focus_visible);
}

// ---- mouse ---------------------------------------------------------------------------------

class MouseRules : public ::testing::Test {
 protected:
  MouseRules() {
    state.active = {target(1, {10, 10, 100, 40}), target(2, {10, 60, 100, 40}),
                    target(TARGET_CLOSE, {376, 10, 34, 30})};
  }
  std::optional<uint32_t> click(float down_x, float down_y, float up_x, float up_y) {
    on_mouse_move(state, down_x, down_y);
    on_button_down(state);
    on_mouse_move(state, up_x, up_y);
    return on_button_up(state, up_x, up_y);
  }
  InteractionState state;
};

TEST_F(MouseRules, ClickIsAReleaseOverThePressedTarget) {
  struct Case {
    const char* scenario;
    float dx, dy, ux, uy;
    std::optional<uint32_t> activated;
  };
  const Case cases[] = {
      {"press and release on one target", 20, 20, 90, 45, 1},
      {"press, drag off, release elsewhere", 20, 20, 200, 300, std::nullopt},
      {"press on one target, release on another", 20, 20, 20, 70, std::nullopt},
      {"press on nothing, release on a target", 200, 300, 20, 20, std::nullopt},
      {"press and release on the close button", 380, 20, 400, 30, TARGET_CLOSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    EXPECT_EQ(click(c.dx, c.dy, c.ux, c.uy), c.activated);
    EXPECT_EQ(state.press, std::nullopt);  // the press ends in every case
    EXPECT_EQ(state.hover, hit_test(state.active, c.ux, c.uy));
  }
}

TEST_F(MouseRules, PressTakesFocusWithoutTheRingButNotForReservedIds) {
  state.focus_visible = true;
  on_mouse_move(state, 20, 70);
  on_button_down(state);
  EXPECT_EQ(state.press, 2u);
  EXPECT_EQ(state.focus, 2u);
  EXPECT_FALSE(state.focus_visible);
  on_button_up(state, 20, 70);

  on_mouse_move(state, 380, 20);
  on_button_down(state);
  EXPECT_EQ(state.press, TARGET_CLOSE);
  EXPECT_EQ(state.focus, 2u);  // the close button never takes focus

  // Pressing on nothing: no press, focus stays.
  on_button_up(state, 380, 20);
  on_mouse_move(state, 300, 300);
  on_button_down(state);
  EXPECT_EQ(state.press, std::nullopt);
  EXPECT_EQ(state.focus, 2u);
}

TEST_F(MouseRules, HoverChangesOnlyWhenTheTargetChanges) {
  EXPECT_TRUE(on_mouse_move(state, 20, 20));    // entering target 1
  EXPECT_FALSE(on_mouse_move(state, 60, 30));   // moving within it
  EXPECT_TRUE(on_mouse_move(state, 60, 70));    // onto target 2
  EXPECT_TRUE(on_mouse_move(state, 200, 300));  // off every target
  EXPECT_FALSE(on_mouse_move(state, 210, 310));
  EXPECT_TRUE(state.mouse_inside);
  EXPECT_EQ(state.mouse_x, 210);
}

TEST_F(MouseRules, LeavingClearsHoverUnlessPressed) {
  on_mouse_move(state, 20, 20);
  on_mouse_leave(state);
  EXPECT_FALSE(state.mouse_inside);
  EXPECT_EQ(state.hover, std::nullopt);

  on_mouse_move(state, 20, 20);
  on_button_down(state);
  on_mouse_leave(state);
  EXPECT_EQ(state.hover, 1u);
}

TEST(FrameEnd, HoverFollowsContentMovingUnderAStillMouse) {
  InteractionState state;
  state.active = {target(1, {0, 0, 50, 50})};
  on_mouse_move(state, 20, 20);
  ASSERT_EQ(state.hover, 1u);

  state.building = {target(2, {0, 0, 50, 50})};  // the next frame drew another target there
  EXPECT_TRUE(end_frame(state));
  EXPECT_EQ(state.hover, 2u);
  EXPECT_EQ(state.active.size(), 1u);
  EXPECT_EQ(state.active[0].id, 2u);

  begin_frame(state);
  EXPECT_TRUE(state.building.empty());
  state.building = {target(2, {0, 0, 50, 50})};
  EXPECT_FALSE(end_frame(state));  // unchanged: no repaint

  // While pressed, or with the mouse outside, the hover stays.
  on_button_down(state);
  state.building = {};
  EXPECT_FALSE(end_frame(state));
  EXPECT_EQ(state.hover, 2u);
  on_button_up(state, 20, 20);
  on_mouse_leave(state);
  state.building = {target(3, {0, 0, 50, 50})};
  EXPECT_FALSE(end_frame(state));
  EXPECT_EQ(state.hover, std::nullopt);
}

TEST(Cursor, HandOverTargetsButNotTheBlocker) {
  InteractionState state;
  EXPECT_FALSE(shows_hand_cursor(state));
  state.hover = 3;
  EXPECT_TRUE(shows_hand_cursor(state));
  state.hover = TARGET_BLOCKER;
  EXPECT_FALSE(shows_hand_cursor(state));
}

TEST(DragBand, OnlyOutsideTargetsAndAboveTheHeight) {
  InteractionState state;
  state.active = {target(TARGET_CLOSE, {376, 10, 34, 30})};
  EXPECT_TRUE(is_drag_point(state, 100, 20, 60));
  EXPECT_FALSE(is_drag_point(state, 380, 20, 60));  // the button in the band clicks
  EXPECT_FALSE(is_drag_point(state, 100, 60, 60));  // at the band's height: client area
  EXPECT_FALSE(is_drag_point(state, 100, 20, 0));
}

TEST(Timer, RunsOnlyWhileFramesAskToAnimate) {
  EXPECT_EQ(timer_change(true, false), TimerChange::Start);
  EXPECT_EQ(timer_change(true, true), TimerChange::None);
  EXPECT_EQ(timer_change(false, true), TimerChange::Stop);
  EXPECT_EQ(timer_change(false, false), TimerChange::None);
}

TEST(Activation, ReservedIdsAreTheHostsOwn) {
  EXPECT_EQ(classify_activation(TARGET_CLOSE), Activation::Close);
  EXPECT_EQ(classify_activation(TARGET_MINIMIZE), Activation::Minimize);
  EXPECT_EQ(classify_activation(TARGET_BLOCKER), Activation::Nothing);
  EXPECT_EQ(classify_activation(3), Activation::Action);
  EXPECT_FALSE(is_focusable_id(0xFFF0));
  EXPECT_TRUE(is_focusable_id(0xFFEF));
}

// ---- keyboard ------------------------------------------------------------------------------

TEST(Keyboard, EnterSpaceEscapeRules) {
  using Kind = KeyOutcome::Kind;
  const Rect r{0, 0, 10, 10};
  struct Case {
    const char* scenario;
    Key key;
    std::optional<uint32_t> focus;
    bool ring;
    bool focus_drawn;
    bool repeat;
    KeyOutcome expected;
    bool prompt = false;  // a blocker, then targets 13 and 14, drawn over targets 1 and 2
  };
  const Case cases[] = {
      {"Enter on a visible focus", Key::Enter, 2, true, true, false, {Kind::Activate, 2}},
      {"Enter without the ring asks the default", Key::Enter, 2, false, true, false,
       {Kind::DefaultAction, 0}},
      {"Enter on a focus no longer drawn asks the default", Key::Enter, 9, true, false, false,
       {Kind::DefaultAction, 0}},
      {"Enter without focus asks the default", Key::Enter, std::nullopt, true, true, false,
       {Kind::DefaultAction, 0}},
      {"held Enter does nothing again", Key::Enter, 2, true, true, true, {}},
      {"held Enter does not repeat the default either", Key::Enter, std::nullopt, false, true,
       true, {}},
      {"Space on a visible focus", Key::Space, 2, true, true, false, {Kind::Activate, 2}},
      {"Space on a focus no longer drawn still acts", Key::Space, 9, true, false, false,
       {Kind::Activate, 9}},
      {"Space without the ring does nothing", Key::Space, 2, false, true, false, {}},
      {"held Space does nothing again", Key::Space, 2, true, true, true, {}},
      {"Escape requests close", Key::Escape, std::nullopt, false, true, false, {Kind::Close, 0}},
      {"held Escape does not close again", Key::Escape, std::nullopt, false, true, true, {}},
      {"other keys do nothing", Key::Other, 2, true, true, false, {}},
      {"Enter on a focus left behind a prompt asks the default", Key::Enter, 2, true, true,
       false, {Kind::DefaultAction, 0}, true},
      {"Enter on the prompt's own focus", Key::Enter, 14, true, true, false, {Kind::Activate, 14},
       true},
      {"Space on a focus left behind a prompt does nothing", Key::Space, 2, true, true, false, {},
       true},
      {"Space on the prompt's own focus", Key::Space, 13, true, true, false, {Kind::Activate, 13},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    InteractionState state;
    state.active = {target(1, r), target(2, r)};
    if (c.prompt) {
      for (uint32_t id : {TARGET_BLOCKER, 13u, 14u}) state.active.push_back(target(id, r));
    } else if (c.focus_drawn && c.focus && *c.focus != 2) {
      state.active.push_back(target(*c.focus, r));
    }
    state.focus = c.focus;
    state.focus_visible = c.ring;
    EXPECT_EQ(on_key_down(state, c.key, false, c.repeat), c.expected);
  }
}

TEST(Keyboard, TabAndShiftTabMoveFocusAndShowTheRing) {
  const Rect r{0, 0, 10, 10};
  InteractionState state;
  state.active = {target(1, r), target(2, r), target(3, r)};
  EXPECT_EQ(on_key_down(state, Key::Tab, false, false), KeyOutcome{});
  EXPECT_EQ(state.focus, 1u);
  EXPECT_TRUE(state.focus_visible);
  on_key_down(state, Key::Tab, true, false);
  EXPECT_EQ(state.focus, 3u);
  on_key_down(state, Key::Tab, true, true);  // a held Tab keeps moving
  EXPECT_EQ(state.focus, 2u);
}

TEST(Keyboard, ClickOnCheckBoxFocusesSilentlyThenTabShowsRingOnNext) {
  RecordingHost host;
  auto paint = [](FrameContext& f) {
    check_box(f, 1, Rect{26, 100, 300, 20}, false, "Ширээний товчлол");
    button(f, 2, Rect{26, 500, 368, 48}, "Суулгах", ButtonStyle::Primary, true);
  };
  host.frame(0.015f, paint);
  InteractionState& in = host.input();
  on_mouse_move(in, 30, 110);
  on_button_down(in);
  EXPECT_EQ(on_button_up(in, 30, 110), 1u);
  EXPECT_EQ(in.focus, 1u);
  host.frame(0.015f, paint);
  EXPECT_TRUE(host.surface().of(DrawOp::DrawRoundRect).size() == 1u);  // outline, no ring
  on_key_down(in, Key::Tab, false, false);
  EXPECT_EQ(in.focus, 2u);
  EXPECT_TRUE(in.focus_visible);
}

TEST(Blocker, ClickBehindAPromptHitsTheBlockerAndDoesNothing) {
  RecordingHost host;
  auto paint = [](FrameContext& f) {
    button(f, 5, Rect{26, 500, 368, 48}, "Суулгах", ButtonStyle::Primary, true);
    interact(f, TARGET_BLOCKER, Rect{0, 0, f.width, f.height}, true);
    button(f, 20, Rect{60, 300, 140, 40}, "Тийм", ButtonStyle::Danger, true);
    button(f, 21, Rect{220, 300, 140, 40}, "Үгүй", ButtonStyle::Secondary, true);
  };
  host.frame(0.015f, paint);
  InteractionState& in = host.input();
  on_mouse_move(in, 100, 520);
  EXPECT_EQ(in.hover, TARGET_BLOCKER);
  EXPECT_FALSE(shows_hand_cursor(in));
  on_button_down(in);
  const auto clicked = on_button_up(in, 100, 520);
  ASSERT_EQ(clicked, TARGET_BLOCKER);
  EXPECT_EQ(classify_activation(*clicked), Activation::Nothing);
  EXPECT_EQ(in.focus, std::nullopt);  // the blocker takes no focus

  for (uint32_t expected : {20u, 21u, 20u}) {
    on_key_down(in, Key::Tab, false, false);
    EXPECT_EQ(in.focus, expected);
  }
}

}  // namespace
}  // namespace vl
