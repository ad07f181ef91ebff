#pragma once
// The wizard's look: the text roles and the shared metrics, in the colours of gfx/palette.h.
// The pages pass the widgets texts, rectangles and states only.
// Portable.
#include <string_view>
#include <vector>

#include "gfx/geometry.h"
#include "gfx/palette.h"
#include "gfx/text_style.h"
#include "ui/interaction.h"

namespace vl {

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

// Keys of the pages' own animated values, a family apart from the widgets' keys.
inline constexpr uint32_t ANIM_HEADER_HEIGHT = anim_key(AnimFamily::Page, 1);
inline constexpr uint32_t ANIM_PROGRESS = anim_key(AnimFamily::Page, 2);
inline constexpr uint32_t ANIM_ERROR_SCROLL =
    anim_key(AnimFamily::Page, 3);  // sub-key: the text's hash

}  // namespace vl
