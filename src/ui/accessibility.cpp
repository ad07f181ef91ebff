#include "ui/accessibility.h"

#include <algorithm>
#include <cmath>

#include "ui/target_ids.h"

namespace vl {
namespace {

bool is_control(AccessRole role) {
  return role != AccessRole::StaticText && role != AccessRole::ProgressBar;
}

// Icon-only targets of the host draw no label: their names are given here.
std::string reserved_name(uint32_t id) {
  if (id == TARGET_CLOSE) return "Хаах";
  if (id == TARGET_MINIMIZE) return "Багасгах";
  return {};
}

std::string default_action_name(const AccessNode& node) {
  if (!is_control(node.role) || !node.enabled) return {};
  switch (node.role) {
    case AccessRole::CheckButton:
      return node.checked ? "Тэмдэглэгээг арилгах" : "Тэмдэглэх";
    case AccessRole::RadioButton:
      return "Сонгох";
    default:
      return "Дарах";
  }
}

uint32_t state_of(const AccessNode& node, std::optional<uint32_t> focus) {
  if (!is_control(node.role)) return ACCESS_READ_ONLY;
  uint32_t state = 0;
  if (node.checked) state |= ACCESS_CHECKED;
  if (!node.enabled) return state | ACCESS_UNAVAILABLE;
  if (is_focusable_id(node.id)) {
    state |= ACCESS_FOCUSABLE;
    if (focus == node.id) state |= ACCESS_FOCUSED;
  }
  return state;
}

}  // namespace

std::vector<AccessibleItem> accessible_items(std::span<const AccessNode> nodes,
                                             std::optional<uint32_t> focus) {
  size_t first = 0;
  for (size_t i = 0; i < nodes.size(); ++i) {
    if (is_control(nodes[i].role) && nodes[i].id == TARGET_BLOCKER) first = i + 1;
  }
  std::vector<AccessibleItem> items;
  items.reserve(nodes.size() - first);
  for (const AccessNode& node : nodes.subspan(first)) {
    AccessibleItem item;
    item.role = node.role;
    item.id = is_control(node.role) ? node.id : 0;
    item.name = node.name.empty() && is_control(node.role) ? reserved_name(node.id) : node.name;
    item.description = node.description;
    item.value = node.value_text;
    item.default_action = default_action_name(node);
    item.state = state_of(node, focus);
    item.alert = node.alert;
    item.fraction = node.value;
    item.rect = node.rect;
    items.push_back(std::move(item));
  }
  return items;
}

bool is_pressable(std::span<const AccessibleItem> items, uint32_t id) {
  return std::any_of(items.begin(), items.end(), [id](const AccessibleItem& item) {
    return is_control(item.role) && item.id == id && !item.default_action.empty();
  });
}

std::optional<size_t> item_at(std::span<const AccessibleItem> items, float x, float y) {
  for (size_t i = items.size(); i-- > 0;) {
    if (items[i].rect.contains(x, y)) return i;
  }
  return std::nullopt;
}

AccessEvents AccessAnnouncer::after_frame(std::span<const AccessibleItem> items, double now) {
  AccessEvents events;
  std::vector<Shape> shape;
  shape.reserve(items.size());
  std::optional<size_t> focused;
  std::optional<size_t> progress;
  for (size_t i = 0; i < items.size(); ++i) {
    shape.push_back(Shape{items[i].role, items[i].id});
    if (items[i].state & ACCESS_FOCUSED) focused = i;
    if (items[i].role == AccessRole::ProgressBar && !progress) progress = i;
  }
  const auto child = [](size_t index) { return static_cast<int32_t>(index + 1); };

  const bool changed = first_ || shape != shape_;
  first_ = false;
  events.reorder = changed;
  shape_ = std::move(shape);

  // A box that checks or a button that becomes available, within the same set of children.
  constexpr uint32_t kAnnouncedStates = ACCESS_CHECKED | ACCESS_UNAVAILABLE;
  std::vector<uint32_t> states;
  states.reserve(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    states.push_back(items[i].state & kAnnouncedStates);
    if (!changed && states[i] != states_[i]) events.state_changes.push_back(child(i));
  }
  states_ = std::move(states);

  // A new page or prompt moves the reader to the focused item or, when the focus is not on
  // any of them, to the window itself, which then reads the new texts.
  const std::optional<uint32_t> focused_id =
      focused ? std::optional<uint32_t>(items[*focused].id) : std::nullopt;
  if (changed || focused_id != focused_id_) {
    if (focused) {
      events.focus = child(*focused);
    } else if (changed || focused_id_) {
      events.focus = 0;
    }
  }
  focused_id_ = focused_id;

  std::vector<std::string> alerts;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!items[i].alert) continue;
    const bool known = std::find(alerts_.begin(), alerts_.end(), items[i].name) != alerts_.end();
    if (!known && !events.alert) events.alert = child(i);
    alerts.push_back(items[i].name);
  }
  alerts_ = std::move(alerts);

  if (!progress || changed) {
    // A bar that appears starts from what the page read out; nothing is announced for it.
    announced_progress_.reset();
  }
  if (progress) {
    const float fraction = items[*progress].fraction;
    if (!announced_progress_) {
      announced_progress_ = fraction;
      announced_at_ = now;
    } else {
      const bool completed = fraction >= 1.0f && *announced_progress_ < 1.0f;
      const bool moved = std::fabs(fraction - *announced_progress_) >= 0.01f &&
                         now - announced_at_ >= PROGRESS_ANNOUNCE_INTERVAL;
      if (completed || moved) {
        events.value = child(*progress);
        announced_progress_ = fraction;
        announced_at_ = now;
      }
    }
  }
  return events;
}

}  // namespace vl
