#pragma once
// Immediate-mode widgets. Each follows one recipe: id -> rectangle -> interact (registers the
// hit target, eases hover and press) -> draw. Geometry in DIPs, colours as bytes over 255.
#include <cstdint>
#include <string_view>

#include "ui/frame_context.h"

namespace vl {

// Eases the stored value toward `target` (see AnimatedValues) and asks for another frame while
// it has not settled.
float animate(FrameContext& frame, AnimKey key, float target, float rate);

// Registers the target (when enabled, at `rect` moved by the drawing offset) and returns its eased hover (rate 14) and press
// (rate 22) and whether the focus ring shows on it. A disabled widget registers nothing.
Interaction interact(FrameContext& frame, uint32_t id, const Rect& rect, bool enabled);

// ---- what a screen reader is told (see ui/accessibility.h) -------------------------------
// `interact` records every target it is called for (a disabled one as unavailable) as a push
// button without a name; the widgets then describe it with the label they draw. A page that
// draws its own target with `interact` describes it the same way (the caption buttons need
// not: the host names them).
void describe_target(FrameContext& frame, uint32_t id, AccessRole role, std::string_view name,
                     bool checked = false, std::string_view description = {});

enum class Reading : uint8_t {
  Text,   // read as part of the page, in drawing order
  Alert,  // also announced at once when it appears (a failure text)
};
// Draws the text like DrawContext::draw_text and records it for screen readers: titles,
// paragraphs, the status and detail lines, the percentage, the error message.
void readable_text(FrameContext& frame, const TextStyle& style, const Rect& rect,
                   Reading reading = Reading::Text);
// Registers TARGET_BLOCKER over `rect` (no hover or press easing): what was drawn before it
// stops reacting, and Tab and screen readers keep to what is drawn after it (a modal prompt).
void modal_blocker(FrameContext& frame, const Rect& rect);
// Records a progress bar that the page draws itself: its rectangle, the fraction shown and
// the percentage text as drawn.
void readable_progress(FrameContext& frame, const Rect& rect, float fraction,
                       std::string_view value_text);

// Animated value keys of the widgets (sub-key 0); the pages choose their own keys apart.
constexpr AnimKey hover_key(uint32_t id) { return AnimKey{anim_key(AnimFamily::Hover, id), 0}; }
constexpr AnimKey press_key(uint32_t id) { return AnimKey{anim_key(AnimFamily::Press, id), 0}; }
constexpr AnimKey check_box_key(uint32_t id) {
  return AnimKey{anim_key(AnimFamily::CheckBox, id), 0};
}
constexpr AnimKey radio_card_key(uint32_t id) {
  return AnimKey{anim_key(AnimFamily::RadioCard, id), 0};
}

inline constexpr float HOVER_RATE = 14.0f;
inline constexpr float PRESS_RATE = 22.0f;
inline constexpr float CHECK_BOX_RATE = 18.0f;
inline constexpr float RADIO_CARD_RATE = 16.0f;

enum class ButtonStyle : uint8_t { Primary = 0, Danger = 1, Secondary = 2 };

void button(FrameContext& frame, uint32_t id, const Rect& rect, std::string_view label,
            ButtonStyle style, bool enabled);
// Always enabled; the whole row is the target, the box sits at its left.
void check_box(FrameContext& frame, uint32_t id, const Rect& rect, bool checked,
               std::string_view label);

// An icon drawn centred at (x, y).
using IconFn = void (*)(FrameContext& frame, float x, float y, const Color& color);

void radio_card(FrameContext& frame, uint32_t id, const Rect& rect, bool selected, IconFn icon,
                std::string_view title, std::string_view subtitle);
// Used centred or trailing; the underline grows from the text's left edge on hover. A disabled
// link registers no target (no hover, no hand cursor) and is drawn faded.
void link(FrameContext& frame, uint32_t id, const Rect& rect, std::string_view text,
          TextAlign align, bool enabled = true);

// The scroll position of a viewport `viewport_height` high over content `content_height`
// high, kept under `key`: moved by what the wheel and the keys asked for since the last frame
// (a line is `line` DIPs, a page the viewport less a line) and held within 0 .. content less
// viewport (0 when the content fits).
float scroll_offset(FrameContext& frame, AnimKey key, float viewport_height, float content_height,
                    float line);

// Icons, centred at (x, y); stroke width 1.7 unless noted.
void folder_icon(FrameContext& frame, float x, float y, const Color& color);
void warning_icon(FrameContext& frame, float x, float y);  // always (224, 138, 30)
void person_icon(FrameContext& frame, float x, float y, const Color& color);
void people_icon(FrameContext& frame, float x, float y, const Color& color);

}  // namespace vl
