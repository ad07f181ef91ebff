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

// Animated value keys of the widgets (sub-key 0); the pages choose their own keys apart.
constexpr AnimKey hover_key(uint32_t id) { return AnimKey{4 * id, 0}; }
constexpr AnimKey press_key(uint32_t id) { return AnimKey{4 * id + 1, 0}; }
constexpr AnimKey check_box_key(uint32_t id) { return AnimKey{id | 0x10000000u, 0}; }
constexpr AnimKey radio_card_key(uint32_t id) { return AnimKey{id | 0x20000000u, 0}; }

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
// Used centred or trailing; the underline grows from the text's left edge on hover.
void link(FrameContext& frame, uint32_t id, const Rect& rect, std::string_view text,
          TextAlign align);

// Icons, centred at (x, y); stroke width 1.7 unless noted.
void folder_icon(FrameContext& frame, float x, float y, const Color& color);
void warning_icon(FrameContext& frame, float x, float y);  // always (224, 138, 30)
void person_icon(FrameContext& frame, float x, float y, const Color& color);
void people_icon(FrameContext& frame, float x, float y, const Color& color);

}  // namespace vl
