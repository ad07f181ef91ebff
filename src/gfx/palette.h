#pragma once
// The installer's colours, each named once: the pages, the widgets and the drawing context's
// own figures (the result badge, the focus ring) draw with these. Straight alpha; alpha 1
// unless the drawing gives one. Portable.
#include "gfx/geometry.h"

namespace vl {

inline constexpr Color HEADER_TOP = rgb(22, 39, 80);
inline constexpr Color HEADER_MID = rgb(13, 27, 61);
inline constexpr Color HEADER_BOTTOM = rgb(8, 18, 41);
inline constexpr Color GLOW = rgb(64, 115, 255);
inline constexpr Color TAGLINE = rgb(174, 210, 240);
inline constexpr Color VERSION_TEXT = rgb(220, 236, 250);
inline constexpr Color CLOSE_HOVER = rgb(232, 17, 35);
inline constexpr Color SHADOW = rgb(2, 8, 22);
inline constexpr Color SCRIM = rgb(4, 12, 28);
inline constexpr Color CARD = rgb(255, 255, 255);
inline constexpr Color INK = rgb(13, 27, 46);
inline constexpr Color TEXT_MUTED = rgb(106, 122, 144);
inline constexpr Color TEXT_FAINT = rgb(139, 152, 171);
inline constexpr Color ACCENT = rgb(20, 136, 196);
inline constexpr Color ACCENT_BRIGHT = rgb(33, 171, 224);
inline constexpr Color SUCCESS = rgb(22, 157, 99);
inline constexpr Color DANGER = rgb(221, 67, 56);
inline constexpr Color NOTICE_FILL = rgb(253, 236, 234);
inline constexpr Color PANEL_FILL = rgb(245, 248, 252);
inline constexpr Color PANEL_STROKE = rgb(231, 236, 243);
inline constexpr Color WARN_FILL = rgb(253, 243, 225);
inline constexpr Color WARN_STROKE = rgb(224, 138, 30);
inline constexpr Color ICON_TILE = rgb(60, 198, 239);
inline constexpr Color TRACK = rgb(238, 243, 249);
inline constexpr Color BAR_START = rgb(57, 198, 240);
inline constexpr Color BAR_END = rgb(26, 127, 208);
inline constexpr Color PENDING_RING = rgb(214, 222, 234);
inline constexpr Color TEXT_BODY = rgb(57, 73, 95);
inline constexpr Color WHITE = rgb(255, 255, 255);
inline constexpr Color BLACK = rgb(0, 0, 0);
inline constexpr Color STROKE_HOVER = rgb(174, 185, 200);
inline constexpr Color SELECTED_FILL = rgb(236, 249, 254);
inline constexpr Color ACCENT_SHADOW = rgb(20, 127, 196);
inline constexpr Color SUCCESS_LIGHT = rgb(52, 211, 153);
inline constexpr Color DANGER_LIGHT = rgb(242, 107, 95);
inline constexpr Color DANGER_DEEP = rgb(210, 59, 48);

}  // namespace vl
