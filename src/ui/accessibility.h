#pragma once
// What a screen reader learns about the custom-drawn window. The window has no child controls,
// so the frame itself records, while it draws, what each hit target is (role, the label the
// widget drew, checked or disabled) and which drawn texts are to be read; the last finished
// frame's record is the accessible tree. Portable: the Win32 object that serves it to
// assistive technology (MSAA) lives in accessibility_win.*.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gfx/geometry.h"

namespace vl {

enum class AccessRole : uint8_t { PushButton, CheckButton, RadioButton, Link, StaticText,
                                  ProgressBar };

// One thing a frame drew that a screen reader presents, in drawing order (reading order).
struct AccessNode {
  AccessRole role = AccessRole::PushButton;
  uint32_t id = 0;        // the hit target's id; unused by texts and progress bars
  bool enabled = true;    // false: drawn disabled (no hit target was registered)
  bool checked = false;   // check buttons and radio buttons
  bool alert = false;     // a text to announce as soon as it appears (a failure)
  float value = 0.0f;     // progress bars: 0..1
  Rect rect;              // DIPs
  std::string name;       // the visible label or text
  std::string description;  // a second visible line (a radio card's subtitle)
  std::string value_text;   // progress bars: the percentage as drawn
};

// MSAA state bits, portable.
enum AccessState : uint32_t {
  ACCESS_CHECKED = 1u << 0,
  ACCESS_UNAVAILABLE = 1u << 1,
  ACCESS_FOCUSABLE = 1u << 2,
  ACCESS_FOCUSED = 1u << 3,
  ACCESS_READ_ONLY = 1u << 4,
};

// One child of the window's accessible object (child id = position + 1).
struct AccessibleItem {
  AccessRole role = AccessRole::PushButton;
  uint32_t id = 0;
  std::string name;
  std::string description;
  std::string value;
  std::string default_action;  // empty: the item has none
  uint32_t state = 0;          // AccessState bits
  bool alert = false;
  float fraction = 0.0f;       // progress bars
  Rect rect;
  bool operator==(const AccessibleItem&) const = default;
};

// The frame's nodes as the window's children. Under a modal overlay (a TARGET_BLOCKER node)
// only what was drawn after the last blocker is presented, as only that can be reached. Icon
// targets without a drawn label (the caption buttons) are named by their id; the focused item
// is the one whose id holds the keyboard focus.
std::vector<AccessibleItem> accessible_items(std::span<const AccessNode> nodes,
                                             std::optional<uint32_t> focus);

// Whether a client's press of `id` may act now: the id is an available control among the items
// (a page button behind an open prompt is not, nor one whose page has gone).
bool is_pressable(std::span<const AccessibleItem> items, uint32_t id);

// The topmost item under a point in DIPs, as a position in `items`.
std::optional<size_t> item_at(std::span<const AccessibleItem> items, float x, float y);

// What the window tells assistive technology after a frame. Child 0 is the window's client
// itself.
struct AccessEvents {
  bool reorder = false;               // the set of children changed (a page or the prompt)
  std::optional<int32_t> focus;       // EVENT_OBJECT_FOCUS on this child
  std::optional<int32_t> alert;       // EVENT_SYSTEM_ALERT on this child
  std::optional<int32_t> value;       // EVENT_OBJECT_VALUECHANGE on this child
  std::vector<int32_t> state_changes; // EVENT_OBJECT_STATECHANGE: checked or enabled changed
  bool operator==(const AccessEvents&) const = default;
};

// Progress is announced at most this often (seconds), and only by whole percents, so that a
// screen reader is not flooded while the bar moves every frame; completion is always announced.
inline constexpr double PROGRESS_ANNOUNCE_INTERVAL = 1.0;

// Compares each frame's children with the previous frame's and decides the events.
class AccessAnnouncer {
 public:
  AccessEvents after_frame(std::span<const AccessibleItem> items, double now);

 private:
  struct Shape {
    AccessRole role;
    uint32_t id;
    bool operator==(const Shape&) const = default;
  };
  bool first_ = true;
  std::vector<Shape> shape_;
  std::vector<uint32_t> states_;
  std::optional<uint32_t> focused_id_;
  std::vector<std::string> alerts_;
  std::optional<float> announced_progress_;
  double announced_at_ = 0.0;
};

}  // namespace vl
