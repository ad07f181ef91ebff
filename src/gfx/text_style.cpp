#include "gfx/text_style.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vl {

FontFamilies choose_font_families(bool variable_text_found) {
  if (variable_text_found) return FontFamilies{VARIABLE_TEXT_FAMILY, VARIABLE_DISPLAY_FAMILY};
  return FontFamilies{FALLBACK_FAMILY, FALLBACK_FAMILY};
}

const std::string& family_for(const FontFamilies& families, const TextStyle& style) {
  return style.display ? families.display : families.text;
}

uint32_t font_size_key(float size) {
  // The product is computed in single precision, as the size is stored; `volatile` keeps x87
  // code from carrying extra precision into the truncation.
  volatile float scaled = size * 100.0f;
  const float value = scaled;
  if (std::isnan(value) || value <= 0.0f) return 0;
  if (value >= 4294967296.0f) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(value);
}

TextFormatKey text_format_key(const TextStyle& style) {
  return TextFormatKey{font_size_key(style.size), style.weight, style.display, style.wrap};
}

int font_weight_value(uint8_t weight_index) { return 400 + 100 * weight_index; }

LayoutBox layout_box(float max_width, float max_height) {
  // NaN counts as "no room" as well: std::max keeps its first argument for NaN.
  return LayoutBox{std::max(1.0f, max_width), std::max(1.0f, max_height)};
}

LayoutBox draw_layout_box(const TextStyle& style, const Rect& rect) {
  const float height = style.wrap ? std::max(rect.h, TEXT_TALL_LAYOUT) : rect.h;
  return layout_box(rect.w, height);
}

LayoutBox measure_layout_box(float max_width) { return layout_box(max_width, TEXT_TALL_LAYOUT); }

TextLayoutKey text_layout_key(const TextStyle& style, LayoutBox box) {
  return TextLayoutKey{std::string(style.text), text_format_key(style), style.align,
                       style.letter_spacing, style.line_height, box};
}

std::optional<LineSpacing> line_spacing(const TextStyle& style) {
  if (!style.line_height) return std::nullopt;
  return LineSpacing{*style.line_height, 0.8f * *style.line_height};
}

Point text_origin(const TextStyle& style, const Rect& rect, float layout_height) {
  if (style.wrap) return Point{rect.x, rect.y};
  return Point{rect.x, rect.y + std::max(0.0f, (rect.h - layout_height) / 2.0f)};
}

}  // namespace vl
