#include "ui/widgets.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vl {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kIconStroke = 1.7f;

// The sky-blue gradient of primary buttons and checked boxes is the progress bar's.
constexpr Color kAccentFrom = BAR_START;
constexpr Color kAccentTo = BAR_END;
constexpr Color kSelected = ACCENT_BRIGHT;

TextStyle widget_text(std::string_view text, float size, uint8_t weight, const Color& color,
                      TextAlign align) {
  TextStyle style;
  style.size = size;
  style.weight = weight;
  style.display = false;
  style.text = text;
  style.color = color;
  style.wrap = false;
  style.align = align;
  return style;
}

}  // namespace

float animate(FrameContext& frame, AnimKey key, float target, float rate) {
  const AnimStep step = frame.input.animated.step(key, target, rate, frame.dt);
  if (!step.settled) frame.animate = true;
  return step.value;
}

Interaction interact(FrameContext& frame, uint32_t id, const Rect& rect, bool enabled) {
  InteractionState& in = frame.input;
  AccessNode node;
  node.id = id;
  node.enabled = enabled;
  node.rect = rect;
  in.access_building.push_back(std::move(node));
  float hover_target = 0.0f;
  float press_target = 0.0f;
  if (enabled) {
    // The target lies where the widget is drawn: a page shifted by the drawing offset (the
    // page-entry slide) takes its targets along.
    in.building.push_back(HitTarget{id, rect.moved(frame.draw.offset_x, frame.draw.offset_y),
                                    is_focusable_id(id)});
    if (in.hover == id) hover_target = 1.0f;
    if (in.hover == id && in.press == id) press_target = 1.0f;
  }
  Interaction result;
  result.hover = animate(frame, hover_key(id), hover_target, HOVER_RATE);
  result.press = animate(frame, press_key(id), press_target, PRESS_RATE);
  result.focused = enabled && in.focus_visible && in.focus == id;
  return result;
}

void describe_target(FrameContext& frame, uint32_t id, AccessRole role, std::string_view name,
                     bool checked, std::string_view description) {
  std::vector<AccessNode>& nodes = frame.input.access_building;
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
    if (it->id != id || it->role == AccessRole::StaticText ||
        it->role == AccessRole::ProgressBar) {
      continue;
    }
    it->role = role;
    it->name = name;
    it->checked = checked;
    it->description = description;
    return;
  }
}

void readable_text(FrameContext& frame, const TextStyle& style, const Rect& rect,
                   Reading reading) {
  frame.draw.draw_text(style, rect);
  AccessNode node;
  node.role = AccessRole::StaticText;
  node.alert = reading == Reading::Alert;
  node.rect = rect.moved(frame.draw.offset_x, frame.draw.offset_y);  // where it shows
  node.name = style.text;
  frame.input.access_building.push_back(std::move(node));
}

void modal_blocker(FrameContext& frame, const Rect& rect) {
  frame.input.building.push_back(HitTarget{TARGET_BLOCKER, rect, false});
  AccessNode node;
  node.id = TARGET_BLOCKER;
  node.rect = rect;
  frame.input.access_building.push_back(std::move(node));
}

void readable_progress(FrameContext& frame, const Rect& rect, float fraction,
                       std::string_view value_text) {
  AccessNode node;
  node.role = AccessRole::ProgressBar;
  node.value = fraction;
  node.rect = rect.moved(frame.draw.offset_x, frame.draw.offset_y);
  node.value_text = value_text;
  frame.input.access_building.push_back(std::move(node));
}

void button(FrameContext& frame, uint32_t id, const Rect& rect, std::string_view label,
            ButtonStyle style, bool enabled) {
  constexpr float radius = 11.0f;
  DrawContext& d = frame.draw;
  const Interaction ia = interact(frame, id, rect, enabled);
  describe_target(frame, id, AccessRole::PushButton, label);
  const float h = ia.hover;
  const float en = enabled ? 1.0f : 0.5f;
  // Lifts one DIP on hover and settles back while pressed.
  const Rect r = rect.moved(0.0f, ia.press - h);

  Color label_color;
  if (style == ButtonStyle::Secondary) {
    d.fill_round_rect(r, radius, lerp(PANEL_FILL, TRACK, h));
    const float hs = 0.6f * h;
    d.stroke_round_rect(r, radius, 1.0f, lerp(PENDING_RING, STROKE_HOVER, hs));
    label_color = with_alpha(TEXT_BODY, en);
  } else {
    const bool primary = style == ButtonStyle::Primary;
    const Color shadow_color = primary ? ACCENT_SHADOW : DANGER;
    const float shadow_alpha = primary ? 0.34f : 0.32f;
    const Color from = primary ? kAccentFrom : DANGER_LIGHT;
    const Color to = primary ? kAccentTo : DANGER_DEEP;
    d.shadow(Rect{r.x + 6, r.y + 6, r.w - 12, r.h - 12}, radius, 8 + 3 * h, 12 + 4 * h,
             with_alpha(shadow_color, (0.8f + 0.4f * h) * en * shadow_alpha));
    d.fill_gradient(r, radius, 135.0f,
                    {GradientStop{with_alpha(from, en), 0.0f}, GradientStop{with_alpha(to, en), 1.0f}});
    d.fill_gradient(Rect{r.x, r.y, r.w, 0.55f * r.h}, radius, 180.0f,
                    {GradientStop{with_alpha(WHITE, 0.16f + 0.08f * h), 0.0f},
                     GradientStop{with_alpha(WHITE, 0.0f), 1.0f}});
    if (ia.press > 0.0f) d.fill_round_rect(r, radius, with_alpha(BLACK, 0.07f * ia.press));
    label_color = with_alpha(WHITE, en);
  }
  d.draw_text(widget_text(label, 14.0f, 3, label_color, TextAlign::Center), r);
  d.focus_ring(r, radius, ia.focused);
}

void check_box(FrameContext& frame, uint32_t id, const Rect& rect, bool checked,
               std::string_view label) {
  constexpr float radius = 5.5f;
  DrawContext& d = frame.draw;
  const Interaction ia = interact(frame, id, rect, true);
  describe_target(frame, id, AccessRole::CheckButton, label, checked);
  const float h = ia.hover;
  const float c = animate(frame, check_box_key(id), checked ? 1.0f : 0.0f, CHECK_BOX_RATE);
  const Rect b{rect.x, rect.y + rect.h / 2 - 9.5f, 19.0f, 19.0f};

  d.fill_round_rect(b, radius, WHITE);
  // The grey outline turns cyan on hover and fades out as the box fills.
  d.stroke_round_rect(b, radius, 1.5f, with_alpha(lerp(PENDING_RING, ICON_TILE, h), 1 - c));
  if (c > 0.0f) {
    d.fill_gradient(b, radius, 135.0f,
                    {GradientStop{with_alpha(kAccentFrom, c), 0.0f},
                     GradientStop{with_alpha(kAccentTo, c), 1.0f}});
    d.check_mark(b.x + 9.5f, b.y + 10.0f, 4.6f, c, 1.9f);
  }
  d.draw_text(widget_text(label, 12.5f, 1, lerp(TEXT_BODY, INK, h),
                          TextAlign::Leading),
              Rect{rect.x + 29, rect.y, rect.w - 29, rect.h});
  d.focus_ring(b, radius, ia.focused);
}

void radio_card(FrameContext& frame, uint32_t id, const Rect& rect, bool selected, IconFn icon,
                std::string_view title, std::string_view subtitle) {
  constexpr float radius = 14.0f;
  DrawContext& d = frame.draw;
  const Interaction ia = interact(frame, id, rect, true);
  describe_target(frame, id, AccessRole::RadioButton, title, selected, subtitle);
  const float h = ia.hover;
  const float s = animate(frame, radio_card_key(id), selected ? 1.0f : 0.0f, RADIO_CARD_RATE);
  const float cy = rect.y + rect.h / 2;

  if (s > 0.0f) {
    d.shadow(Rect{rect.x + 4, rect.y + 4, rect.w - 8, rect.h - 8}, radius, 6.0f, 10.0f,
             with_alpha(ACCENT_SHADOW, 0.14f * s));
  }
  d.fill_round_rect(rect, radius, lerp(WHITE, SELECTED_FILL, s));
  d.stroke_round_rect(rect, radius, 1 + 0.5f * s,
                      lerp(lerp(PANEL_STROKE, PENDING_RING, h), kSelected, s));

  const Rect tile{rect.x + 14, cy - 18, 36, 36};
  d.fill_round_rect(tile, 10.0f, with_alpha(ICON_TILE, 0.1f + 0.08f * s));
  if (icon) icon(frame, tile.x + tile.w / 2, cy, ACCENT);

  const float text_w = rect.w - 106;
  d.draw_text(widget_text(title, 12.5f, 2, INK, TextAlign::Leading),
              Rect{rect.x + 62, rect.y + 12, text_w, 18});
  // The subtitle says what the choice needs ("… шаардахгүй", "does not require"): an ellipsis
  // could cut the word that turns it round, so a subtitle too wide is set smaller instead.
  TextStyle note = widget_text(subtitle, 11.0f, 0, TEXT_MUTED, TextAlign::Leading);
  while (note.size > 9.0f && d.measure_text(note, TEXT_TALL_LAYOUT).width > text_w) {
    note.size -= 0.25f;
  }
  d.draw_text(note, Rect{rect.x + 62, rect.y + 31, text_w, 16});

  const float rx = rect.x + rect.w - 24;
  d.fill_circle(rx, cy, 9.0f, WHITE);
  d.stroke_circle(rx, cy, 8.5f, 1.5f, lerp(PENDING_RING, ACCENT_BRIGHT, s));
  // The dot overshoots slightly as it grows in.
  if (s > 0.0f) d.fill_circle(rx, cy, 4.8f * ease_out_back(std::min(s, 1.0f)), kSelected);
  d.focus_ring(rect, radius, ia.focused);
}

void link(FrameContext& frame, uint32_t id, const Rect& rect, std::string_view text,
          TextAlign align, bool enabled) {
  DrawContext& d = frame.draw;
  const Interaction ia = interact(frame, id, rect, enabled);
  describe_target(frame, id, AccessRole::Link, text);
  const float h = ia.hover;
  const Color color = with_alpha(lerp(ACCENT, ACCENT_BRIGHT, h), enabled ? 1.0f : 0.45f);
  const TextStyle style = widget_text(text, 12.5f, 2, color, align);
  const TextSize size = d.measure_text(style, rect.w);
  d.draw_text(style, rect);

  float lx = rect.x + (rect.w - size.width) / 2;
  if (align == TextAlign::Trailing) lx = rect.x + rect.w - size.width;
  if (align == TextAlign::Leading) lx = rect.x;  // where a leading text actually starts
  if (h > 0.01f) {
    const float ly = rect.y + rect.h / 2 + 8.5f;
    d.line(lx, ly, lx + h * size.width, ly, 1.0f, with_alpha(color, 0.6f));
  }
  d.focus_ring(Rect{lx - 4, rect.y, size.width + 8, rect.h}, 6.0f, ia.focused);
}

float scroll_offset(FrameContext& frame, AnimKey key, float viewport_height, float content_height,
                    float line) {
  const ScrollRequest asked = take_scroll(frame.input);
  const float limit = std::max(0.0f, content_height - viewport_height);
  const float page = std::max(line, viewport_height - line);
  const float from = frame.input.animated.get(key).value_or(0.0f);
  float to = from + asked.lines * line + asked.pages * page;
  to = std::isfinite(to) ? std::clamp(to, 0.0f, limit) : 0.0f;
  frame.input.animated.set(key, to);
  return to;
}

void folder_icon(FrameContext& frame, float x, float y, const Color& color) {
  DrawContext& d = frame.draw;
  d.polyline({{x - 9, y - 4.5f},
              {x - 9, y + 6},
              {x + 9, y + 6},
              {x + 9, y - 3},
              {x, y - 3},
              {x - 2, y - 6},
              {x - 7.5f, y - 6},
              {x - 9, y - 4.5f}},
             kIconStroke, color);
  d.line(x - 9, y - 0.5f, x + 9, y - 0.5f, kIconStroke, color);
}

void warning_icon(FrameContext& frame, float x, float y) {
  DrawContext& d = frame.draw;
  const Color color = WARN_STROKE;
  d.polyline({{x, y - 8}, {x + 9, y + 7.5f}, {x - 9, y + 7.5f}, {x, y - 8}}, kIconStroke, color);
  d.line(x, y - 2.5f, x, y + 2, 1.8f, color);
  d.fill_circle(x, y + 4.9f, 1.05f, color);
}

void person_icon(FrameContext& frame, float x, float y, const Color& color) {
  DrawContext& d = frame.draw;
  d.stroke_circle(x, y - 3.5f, 3.6f, kIconStroke, color);
  d.arc(x, y + 9.5f, 7.0f, kPi, kPi, kIconStroke, color);
}

void people_icon(FrameContext& frame, float x, float y, const Color& color) {
  DrawContext& d = frame.draw;
  d.stroke_circle(x - 3, y - 3.5f, 3.4f, kIconStroke, color);
  d.arc(x - 3, y + 9, 6.6f, kPi, kPi, kIconStroke, color);
  const Color back = with_alpha(color, 0.7f * color.a);
  d.stroke_circle(x + 5, y - 4.5f, 2.6f, 1.5f, back);
  d.arc(x + 5.5f, y + 6.5f, 4.8f, 5 * kPi / 4, 3 * kPi / 4, 1.5f, back);
}

}  // namespace vl
