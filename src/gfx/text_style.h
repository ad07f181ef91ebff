#pragma once
// How a text is described (TextStyle) and the decisions about formats and layouts that do not
// need DirectWrite: the format cache key, the font families, the layout box, the line spacing
// and where a laid-out text is placed in its rectangle. The DirectWrite side only executes them.
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "gfx/geometry.h"

namespace vl {

enum class TextAlign : uint8_t { Leading = 0, Center = 1, Trailing = 2 };

// All lengths in DIPs.
struct TextStyle {
  std::optional<float> line_height;  // uniform line spacing, baseline at 0.8 of it
  float size = 12.0f;
  uint8_t weight = 0;  // DirectWrite weight 400 + 100 * weight (0 regular .. 3 bold)
  bool display = false;  // display family instead of the text family
  std::string_view text;  // borrowed for the call
  Color color;
  float letter_spacing = 0.0f;  // 0: none
  bool wrap = false;  // wrap at words, laid out from the top; else one line, ellipsis, centred
  TextAlign align = TextAlign::Leading;
};

struct TextSize {
  float width = 0.0f;
  float height = 0.0f;
  bool operator==(const TextSize&) const = default;
};

// The locale every text format carries.
inline constexpr const char* TEXT_LOCALE = "mn-MN";
inline constexpr const char16_t* TEXT_LOCALE_W = u"mn-MN";
// The maximum height of a measuring layout, and the least height of a wrapping drawing layout.
inline constexpr float TEXT_TALL_LAYOUT = 10000.0f;

// Font families, chosen once at start-up.
struct FontFamilies {
  std::string text;
  std::string display;
  bool operator==(const FontFamilies&) const = default;
};
inline constexpr const char* VARIABLE_TEXT_FAMILY = "Segoe UI Variable Text";
inline constexpr const char* VARIABLE_DISPLAY_FAMILY = "Segoe UI Variable Display";
inline constexpr const char* FALLBACK_FAMILY = "Segoe UI";

// `variable_text_found`: the system font collection could be read and has a family named
// "Segoe UI Variable Text". Anything else (missing family, failed calls) gives "Segoe UI" twice.
FontFamilies choose_font_families(bool variable_text_found);
const std::string& family_for(const FontFamilies& families, const TextStyle& style);

// Key of the text format cache. Alignment, letter spacing, line height and colour are applied
// per layout and are not part of it.
struct TextFormatKey {
  uint32_t size_key = 0;  // size * 100, truncated, saturated to u32 (NaN: 0)
  uint8_t weight = 0;
  bool display = false;
  bool wrap = false;
  auto operator<=>(const TextFormatKey&) const = default;
};

uint32_t font_size_key(float size);
TextFormatKey text_format_key(const TextStyle& style);
// 400 + 100 * index (DWRITE_FONT_WEIGHT values).
int font_weight_value(uint8_t weight_index);

// The size a layout is made at: zero or negative lengths count as 1.
struct LayoutBox {
  float max_width = 1.0f;
  float max_height = 1.0f;
  bool operator==(const LayoutBox&) const = default;
};
LayoutBox layout_box(float max_width, float max_height);

// The layout box for drawing in `rect`: a wrapping text may run below its rectangle.
LayoutBox draw_layout_box(const TextStyle& style, const Rect& rect);
// The layout box for measuring at `max_width`.
LayoutBox measure_layout_box(float max_width);

// Key of the text layout cache: everything a layout is made from. The colour is applied when
// the layout is drawn and is not part of it.
struct TextLayoutKey {
  std::string text;
  TextFormatKey format;
  TextAlign align = TextAlign::Leading;
  float letter_spacing = 0.0f;
  std::optional<float> line_height;
  LayoutBox box;
  bool operator==(const TextLayoutKey&) const = default;
};
TextLayoutKey text_layout_key(const TextStyle& style, LayoutBox box);

// Uniform line spacing when the style fixes a line height: (height, baseline = 0.8 height).
struct LineSpacing {
  float height = 0.0f;
  float baseline = 0.0f;
  bool operator==(const LineSpacing&) const = default;
};
std::optional<LineSpacing> line_spacing(const TextStyle& style);

// Where a layout whose metrics report `layout_height` is drawn in `rect`: a wrapping text from
// the rectangle's top; a single line centred vertically, never above the rectangle's top.
Point text_origin(const TextStyle& style, const Rect& rect, float layout_height);

}  // namespace vl
