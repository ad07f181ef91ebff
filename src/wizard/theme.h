#pragma once
// The wizard's look: the page-level colours, the text roles and the shared metrics. Widget
// colours belong to the widgets; the pages pass them texts, rectangles and states only.
// Portable.
#include <string_view>
#include <vector>

#include "gfx/geometry.h"
#include "gfx/text_style.h"

namespace vl {

// ---- colours (straight alpha; alpha 1 unless the drawing gives one) -------------------------
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
inline constexpr Color ERROR_TEXT = rgb(57, 73, 95);
inline constexpr Color WHITE = rgb(255, 255, 255);

// ---- text roles ----------------------------------------------------------------------------
enum class TextRole {
  PageTitle,
  Percentage,
  BodyParagraph,
  ErrorMessage,
  PromptBody,
  PromptTitle,
  StatusLine,
  StepPending,
  StepDone,
  StepCurrent,
  DetailLine,
  SectionLabel,
  LocationCaption,
  LocationValue,
  LegacyTitle,
  Notice,
  Tagline,
  Version,  // last: every_text_style runs up to it
};

// The role's style for `text` (borrowed for the call), in the role's own alignment.
TextStyle text_style(TextRole role, std::string_view text);
// The same with another alignment (titles and paragraphs are centred on the result pages).
TextStyle text_style(TextRole role, std::string_view text, TextAlign align);
// Every role's style, each for `text` (borrowed).
std::vector<TextStyle> every_text_style(std::string_view text);

// ---- metrics (DIPs) --------------------------------------------------------------------------
inline constexpr float WINDOW_WIDTH = 420.0f;
inline constexpr float WINDOW_HEIGHT = 580.0f;
inline constexpr float CONTENT_X = 26.0f;
inline constexpr float CONTENT_WIDTH = 368.0f;
// A page body starts this far below the header; the result pages leave room for the badge.
inline constexpr float BODY_GAP = 26.0f;
inline constexpr float RESULT_BODY_GAP = 54.0f;
inline constexpr float FOOTER_Y = 506.0f;
inline constexpr float FOOTER_HEIGHT = 48.0f;
inline constexpr Rect FOOTER_FULL{CONTENT_X, FOOTER_Y, CONTENT_WIDTH, FOOTER_HEIGHT};
inline constexpr Rect FOOTER_SECONDARY{CONTENT_X, FOOTER_Y, 112.0f, FOOTER_HEIGHT};
inline constexpr Rect FOOTER_PRIMARY{148.0f, FOOTER_Y, 246.0f, FOOTER_HEIGHT};
inline constexpr float HEADER_MIN = 172.0f;
inline constexpr float HEADER_MAX = 250.0f;
inline constexpr float HEADER_RESULT = 226.0f;
// A notice shown on Welcome or Settings may take the header down to this height, where the
// logo block still fits in it at its smallest, before it would cover the page's controls.
inline constexpr float HEADER_NOTICE_MIN = 128.0f;
// The error panel ends this far above the footer's top.
inline constexpr float ERROR_PANEL_FOOTER_GAP = 16.0f;
inline constexpr float PANEL_RADIUS = 14.0f;
inline constexpr float TITLE_HEIGHT = 28.0f;
// The paragraph of a title block starts this far below the title's top.
inline constexpr float TITLE_TO_PARAGRAPH = 34.0f;

// Keys of the pages' own animated values, apart from the widgets' keys.
inline constexpr uint32_t ANIM_HEADER_HEIGHT = 0x7090;
inline constexpr uint32_t ANIM_PROGRESS = 0xF00D;
inline constexpr uint32_t ANIM_ERROR_SCROLL = 0x7094;  // sub-key: the failure text's hash

}  // namespace vl
