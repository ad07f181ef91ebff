#pragma once
// Immediate-mode input state: the hit targets that the last frame drew, hover, press and
// keyboard focus by target id, Tab traversal, the animated value store, and the rules by which
// mouse and keyboard events change them. Portable: the window procedure translates Win32
// messages into these calls and carries out what they return.
#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "gfx/geometry.h"
#include "ui/accessibility.h"
#include "ui/target_ids.h"

namespace vl {

struct HitTarget {
  uint32_t id = 0;
  Rect rect;
  bool focusable = false;
  bool operator==(const HitTarget&) const = default;
};

// What `interact` returns: eased hover and press (0..1) and whether the focus ring shows here.
struct Interaction {
  float hover = 0.0f;
  float press = 0.0f;
  bool focused = false;
};

struct AnimKey {
  uint32_t key = 0;
  uint32_t sub_key = 0;
  auto operator<=>(const AnimKey&) const = default;
};

// Who owns an animated value: each family keeps its keys apart in the top byte, so that a
// widget's key made from a target id never meets a page's own.
enum class AnimFamily : uint8_t { Hover = 1, Press = 2, CheckBox = 3, RadioCard = 4, Page = 5 };
// The key of value `index` (a target id, or a page's own number; below 2^24) of `family`.
constexpr uint32_t anim_key(AnimFamily family, uint32_t index) {
  return static_cast<uint32_t>(family) << 24 | (index & 0xFFFFFFu);
}

// One step of an animated value.
struct AnimStep {
  float value = 0.0f;
  bool settled = true;  // false: the value still moves and the frame must ask for another
};

// Exponential approach: each value covers 1 - e^(-rate * dt) of the distance to its target per
// step and snaps to the target once within 0.002. A value asked for the first time starts at
// its target. Values live as long as the store.
class AnimatedValues {
 public:
  AnimStep step(AnimKey key, float target, float rate, float dt);
  std::optional<float> get(AnimKey key) const;
  // Puts the value at `value` without easing (a restarted animation begins here).
  void set(AnimKey key, float value) { values_[key] = value; }
  size_t size() const { return values_.size(); }

 private:
  std::map<AnimKey, float> values_;
};

inline constexpr float ANIM_SETTLE_DISTANCE = 0.002f;

// The interaction fields of the window's context, plus the last mouse position that the
// hover is recomputed from after each frame.
struct InteractionState {
  std::optional<uint32_t> hover;
  std::optional<uint32_t> press;
  std::optional<uint32_t> focus;
  AnimatedValues animated;
  std::vector<HitTarget> building;  // this frame's targets, in drawing order
  std::vector<HitTarget> active;    // the last finished frame's targets: all input uses these
  std::vector<AccessNode> access_building;  // this frame's accessible record, in drawing order
  std::vector<AccessNode> access_active;    // the last finished frame's, read by screen readers
  bool focus_visible = false;
  bool mouse_inside = false;
  float mouse_x = 0.0f;  // DIPs
  float mouse_y = 0.0f;
  // Scrolling asked for since the page's scroll area last took it (see take_scroll): lines
  // and pages, positive downwards. A frame without a scroll area leaves it for none.
  float scroll_lines = 0.0f;
  float scroll_pages = 0.0f;
};

// What the wheel turns per notch.
inline constexpr float WHEEL_LINES = 3.0f;
inline constexpr int WHEEL_DELTA_NOTCH = 120;
// WM_MOUSEWHEEL's delta (positive: away from the user, which scrolls up).
void on_wheel(InteractionState& state, int delta);
struct ScrollRequest {
  float lines = 0.0f;
  float pages = 0.0f;
};
// The scrolling asked for since the last call, and no more after it.
ScrollRequest take_scroll(InteractionState& state);

// Last registered first; half-open edges.
std::optional<uint32_t> hit_test(std::span<const HitTarget> targets, float x, float y);
bool has_target(std::span<const HitTarget> targets, uint32_t id);

// Tab (forwards) and Shift+Tab (backwards) over the active targets. When the list holds a
// TARGET_BLOCKER only the targets after the last one take part. Shows the focus ring.
void move_focus(InteractionState& state, bool backwards);

// ---- frame bracket -----------------------------------------------------------------------
void begin_frame(InteractionState& state);
// Makes the targets just built the active list, drops scrolling the frame did not take and,
// when the mouse is inside and no press is active, lets the hover follow content that moved
// under it. True: the hover changed and the
// window must be invalidated.
bool end_frame(InteractionState& state);

// Whether the 15 ms animation timer must be set, killed or left alone after a frame.
enum class TimerChange { None, Start, Stop };
TimerChange timer_change(bool frame_asks_to_animate, bool timer_running);

// ---- mouse -------------------------------------------------------------------------------
// WM_MOUSEMOVE at (x, y) in DIPs. True when the hover changed (invalidate); moving within one
// target changes nothing.
bool on_mouse_move(InteractionState& state, float x, float y);
// WM_MOUSELEAVE: the mouse is outside; the hover clears unless a press is active.
void on_mouse_leave(InteractionState& state);
// WM_LBUTTONDOWN: the press starts on the hovered target, which takes keyboard focus (unless
// reserved); the focus ring hides. The caller captures the mouse.
void on_button_down(InteractionState& state);
// WM_LBUTTONUP at (x, y) in DIPs: the release point becomes the hover; the id to activate when
// the release is over the pressed target. The press ends in every case.
std::optional<uint32_t> on_button_up(InteractionState& state, float x, float y);
// WM_SETCURSOR over the client area: the hand shows over any hovered target but the blocker.
bool shows_hand_cursor(const InteractionState& state);
// WM_NCHITTEST for a client point in DIPs: a point outside every target and above the drag
// band's height moves the window.
bool is_drag_point(const InteractionState& state, float x, float y, float drag_height);

// ---- keyboard ----------------------------------------------------------------------------
// Up, Down, PageUp, PageDown, Home and End scroll the page's scroll area, if it has one.
enum class Key { Tab, Enter, Escape, Space, Up, Down, PageUp, PageDown, Home, End, Other };

struct KeyOutcome {
  enum class Kind { None, Activate, DefaultAction, Close };
  Kind kind = Kind::None;
  uint32_t id = 0;  // with Activate
  bool operator==(const KeyOutcome&) const = default;
};

// WM_KEYDOWN. `shift_down`: Shift held (Tab goes backwards). `auto_repeat`: bit 30 of lParam,
// the key was already down; a held Enter, Space or Escape acts only once. While the targets
// hold a TARGET_BLOCKER, Enter and Space act only on a focus registered after the last one. Tab moves focus
// here; the other outcomes are the caller's to carry out (DefaultAction: ask the application
// for its default target and activate it if there is one).
KeyOutcome on_key_down(InteractionState& state, Key key, bool shift_down, bool auto_repeat);

// ---- activation --------------------------------------------------------------------------
enum class Activation { Close, Minimize, Nothing, Action };
constexpr Activation classify_activation(uint32_t id) {
  if (id == TARGET_CLOSE) return Activation::Close;
  if (id == TARGET_MINIMIZE) return Activation::Minimize;
  if (id == TARGET_BLOCKER) return Activation::Nothing;
  return Activation::Action;
}

}  // namespace vl
