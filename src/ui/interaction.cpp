#include "ui/interaction.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vl {

AnimStep AnimatedValues::step(AnimKey key, float target, float rate, float dt) {
  // A new value starts at its target: nothing animates into its first appearance.
  auto [it, inserted] = values_.try_emplace(key, target);
  float& value = it->second;
  const double covered = 1.0 - std::exp(-static_cast<double>(rate) * static_cast<double>(dt));
  const float next = value + (target - value) * static_cast<float>(covered);
  if (std::fabs(target - next) < ANIM_SETTLE_DISTANCE) {
    value = target;
    return AnimStep{target, true};
  }
  value = next;
  return AnimStep{next, false};
}

std::optional<float> AnimatedValues::get(AnimKey key) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::optional<uint32_t> hit_test(std::span<const HitTarget> targets, float x, float y) {
  for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
    if (it->rect.contains(x, y)) return it->id;
  }
  return std::nullopt;
}

bool has_target(std::span<const HitTarget> targets, uint32_t id) {
  return std::any_of(targets.begin(), targets.end(),
                     [id](const HitTarget& t) { return t.id == id; });
}

namespace {

// The targets after the last blocker if there is one, else all: what a modal prompt leaves
// reachable by the keyboard.
std::span<const HitTarget> keyboard_scope(std::span<const HitTarget> targets) {
  size_t first = 0;
  for (size_t i = 0; i < targets.size(); ++i) {
    if (targets[i].id == TARGET_BLOCKER) first = i + 1;
  }
  return targets.subspan(first);
}

// The targets Tab moves through.
std::vector<uint32_t> focus_scope(std::span<const HitTarget> targets) {
  std::vector<uint32_t> ids;
  for (const HitTarget& t : keyboard_scope(targets)) {
    if (t.focusable) ids.push_back(t.id);
  }
  return ids;
}

bool has_blocker(std::span<const HitTarget> targets) { return has_target(targets, TARGET_BLOCKER); }

}  // namespace

void move_focus(InteractionState& state, bool backwards) {
  const std::vector<uint32_t> ids = focus_scope(state.active);
  if (ids.empty()) return;
  const size_t n = ids.size();
  size_t next = backwards ? n - 1 : 0;
  if (state.focus) {
    const auto it = std::find(ids.begin(), ids.end(), *state.focus);
    if (it != ids.end()) {
      const size_t k = static_cast<size_t>(it - ids.begin());
      next = backwards ? (k + n - 1) % n : (k + 1) % n;
    }
  }
  state.focus = ids[next];
  state.focus_visible = true;
}

void begin_frame(InteractionState& state) {
  state.building.clear();
  state.access_building.clear();
}

bool end_frame(InteractionState& state) {
  std::swap(state.building, state.active);
  std::swap(state.access_building, state.access_active);
  take_scroll(state);  // a page without a scroll area drops what was asked of it
  if (!state.mouse_inside || state.press) return false;
  const std::optional<uint32_t> hover = hit_test(state.active, state.mouse_x, state.mouse_y);
  if (hover == state.hover) return false;
  state.hover = hover;
  return true;
}

TimerChange timer_change(bool frame_asks_to_animate, bool timer_running) {
  if (frame_asks_to_animate && !timer_running) return TimerChange::Start;
  if (!frame_asks_to_animate && timer_running) return TimerChange::Stop;
  return TimerChange::None;
}

bool on_mouse_move(InteractionState& state, float x, float y) {
  state.mouse_x = x;
  state.mouse_y = y;
  state.mouse_inside = true;
  const std::optional<uint32_t> hover = hit_test(state.active, x, y);
  if (hover == state.hover) return false;
  state.hover = hover;
  return true;
}

void on_mouse_leave(InteractionState& state) {
  state.mouse_inside = false;
  if (!state.press) state.hover.reset();
}

void on_button_down(InteractionState& state) {
  state.focus_visible = false;
  state.press = state.hover;
  if (state.hover && is_focusable_id(*state.hover)) state.focus = state.hover;
}

std::optional<uint32_t> on_button_up(InteractionState& state, float x, float y) {
  state.hover = hit_test(state.active, x, y);
  std::optional<uint32_t> clicked;
  if (state.press && state.hover == state.press) clicked = state.press;
  state.press.reset();
  return clicked;
}

bool shows_hand_cursor(const InteractionState& state) {
  return state.hover.has_value() && *state.hover != TARGET_BLOCKER;
}

bool is_drag_point(const InteractionState& state, float x, float y, float drag_height) {
  if (hit_test(state.active, x, y)) return false;
  return drag_height > y;
}

KeyOutcome on_key_down(InteractionState& state, Key key, bool shift_down, bool auto_repeat) {
  using Kind = KeyOutcome::Kind;
  switch (key) {
    case Key::Tab:
      move_focus(state, shift_down);
      return {};
    case Key::Enter:
      // Under a prompt, a focus left on the page behind it (a keyboard user who started the
      // install with Enter) must not act: the prompt's default does.
      if (auto_repeat) return {};
      if (state.focus && state.focus_visible &&
          has_target(keyboard_scope(state.active), *state.focus)) {
        return KeyOutcome{Kind::Activate, *state.focus};
      }
      return KeyOutcome{Kind::DefaultAction, 0};
    case Key::Space:
      // The focused id acts even when its target is no longer drawn, but never through a
      // prompt's blocker.
      if (auto_repeat) return {};
      if (state.focus && state.focus_visible &&
          (!has_blocker(state.active) || has_target(keyboard_scope(state.active), *state.focus))) {
        return KeyOutcome{Kind::Activate, *state.focus};
      }
      return {};
    case Key::Escape:
      // Held down it would close the prompt and then the window.
      if (auto_repeat) return {};
      return KeyOutcome{Kind::Close, 0};
    case Key::Up: state.scroll_lines -= 1.0f; return {};
    case Key::Down: state.scroll_lines += 1.0f; return {};
    case Key::PageUp: state.scroll_pages -= 1.0f; return {};
    case Key::PageDown: state.scroll_pages += 1.0f; return {};
    // Further than any text runs: the area stops at its end.
    case Key::Home: state.scroll_pages = -1e6f; return {};
    case Key::End: state.scroll_pages = 1e6f; return {};
    case Key::Other:
      return {};
  }
  return {};
}

void on_wheel(InteractionState& state, int delta) {
  state.scroll_lines -= WHEEL_LINES * static_cast<float>(delta) / WHEEL_DELTA_NOTCH;
}

ScrollRequest take_scroll(InteractionState& state) {
  return ScrollRequest{std::exchange(state.scroll_lines, 0.0f),
                       std::exchange(state.scroll_pages, 0.0f)};
}

}  // namespace vl
