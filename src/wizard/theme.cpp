#include "wizard/theme.h"

#include <optional>

namespace vl {
namespace {

struct RoleSpec {
  float size;
  uint8_t weight;  // index: 400 + 100 * weight
  bool display;
  Color color;
  TextAlign align;
  bool wrap;
  float line_height;  // 0: the layout's own
  float letter_spacing;
};

constexpr uint8_t W400 = 0;
constexpr uint8_t W500 = 1;
constexpr uint8_t W600 = 2;
constexpr TextAlign LEAD = TextAlign::Leading;
constexpr TextAlign CENTRE = TextAlign::Center;

constexpr RoleSpec role_spec(TextRole role) {
  switch (role) {
    case TextRole::PageTitle: return {21, W600, true, INK, LEAD, false, 0, 0};
    case TextRole::Percentage: return {21, W600, true, ACCENT, TextAlign::Trailing, false, 0, 0};
    case TextRole::BodyParagraph: return {12.5f, W400, false, TEXT_MUTED, LEAD, true, 18.5f, 0};
    case TextRole::ErrorMessage: return {12.5f, W400, false, TEXT_BODY, LEAD, true, 18, 0};
    case TextRole::PromptBody: return {12.5f, W400, false, TEXT_MUTED, CENTRE, true, 18, 0};
    case TextRole::PromptTitle: return {16, W600, false, INK, CENTRE, false, 0, 0};
    case TextRole::StatusLine: return {12.5f, W400, false, TEXT_MUTED, LEAD, false, 0, 0};
    case TextRole::StepPending: return {12.5f, W400, false, TEXT_FAINT, LEAD, false, 0, 0};
    case TextRole::StepDone: return {12.5f, W500, false, TEXT_MUTED, LEAD, false, 0, 0};
    case TextRole::StepCurrent: return {12.5f, W600, false, INK, LEAD, false, 0, 0};
    case TextRole::DetailLine: return {11, W400, false, TEXT_FAINT, LEAD, false, 0, 0};
    case TextRole::SectionLabel: return {11, W600, false, TEXT_MUTED, LEAD, false, 0, 0};
    case TextRole::LocationCaption: return {11, W600, false, TEXT_FAINT, LEAD, false, 0, 0};
    case TextRole::LocationValue: return {12.5f, W500, false, INK, LEAD, false, 0, 0};
    case TextRole::LegacyTitle: return {12.5f, W600, false, INK, LEAD, false, 0, 0};
    case TextRole::Notice: return {11, W400, false, DANGER, LEAD, true, 15, 0};
    case TextRole::Tagline:
      return {10, W600, false, with_alpha(TAGLINE, 0.72f), CENTRE, false, 0, 1.3f};
    case TextRole::Version:
      return {11, W500, false, with_alpha(VERSION_TEXT, 0.92f), CENTRE, false, 0, 0};
  }
  return {12.5f, W400, false, INK, LEAD, false, 0, 0};
}

}  // namespace

TextStyle text_style(TextRole role, std::string_view text) {
  const RoleSpec spec = role_spec(role);
  return text_style(role, text, spec.align);
}

std::vector<TextStyle> every_text_style(std::string_view text) {
  std::vector<TextStyle> styles;
  for (int role = 0; role <= static_cast<int>(TextRole::Version); ++role) {
    styles.push_back(text_style(static_cast<TextRole>(role), text));
  }
  return styles;
}

TextStyle text_style(TextRole role, std::string_view text, TextAlign align) {
  const RoleSpec spec = role_spec(role);
  TextStyle style;
  if (spec.line_height > 0) style.line_height = spec.line_height;
  style.size = spec.size;
  style.weight = spec.weight;
  style.display = spec.display;
  style.text = text;
  style.color = spec.color;
  style.letter_spacing = spec.letter_spacing;
  style.wrap = spec.wrap;
  style.align = align;
  return style;
}

}  // namespace vl
