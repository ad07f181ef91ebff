#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>

#include "gfx/lru_cache.h"
#include "gfx/text_style.h"
#include "native/draw_expect.h"
#include "native/recording_surface.h"

namespace vl {
namespace {

TextStyle style_of(float size, uint8_t weight = 0, bool display = false, bool wrap = false) {
  TextStyle s;
  s.size = size;
  s.weight = weight;
  s.display = display;
  s.wrap = wrap;
  s.text = "Суулгах";
  return s;
}

TEST(TextFormatKey, SizeIsHundredthsTruncated) {
  struct Case {
    float size;
    uint32_t key;
  };
  const Case cases[] = {
      {12.5f, 1250}, {12.504f, 1250}, {12.6f, 1260}, {12.57f, 1257}, {14.0f, 1400}, {11.0f, 1100},
      {0.0f, 0},     {-3.0f, 0},      {std::nanf(""), 0},
      {1e30f, std::numeric_limits<uint32_t>::max()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    EXPECT_EQ(font_size_key(c.size), c.key);
  }
}

TEST(TextFormatKey, SharedAcrossColourAlignmentSpacingAndLineHeight) {
  TextStyle a = style_of(12.5f, 2);
  TextStyle b = style_of(12.504f, 2);
  b.color = rgb(255, 0, 0, 0.3f);
  b.align = TextAlign::Trailing;
  b.letter_spacing = 1.2f;
  b.line_height = 18.0f;
  b.text = "other";
  EXPECT_EQ(text_format_key(a), text_format_key(b));

  std::map<TextFormatKey, int> cache;
  cache[text_format_key(a)] = 1;
  cache[text_format_key(b)] = 2;
  EXPECT_EQ(cache.size(), 1u);

  // Size, weight, family and wrapping each make another format.
  EXPECT_NE(text_format_key(a), text_format_key(style_of(12.6f, 2)));
  EXPECT_NE(text_format_key(a), text_format_key(style_of(12.5f, 3)));
  EXPECT_NE(text_format_key(a), text_format_key(style_of(12.5f, 2, true)));
  EXPECT_NE(text_format_key(a), text_format_key(style_of(12.5f, 2, false, true)));
}

TEST(FontWeight, IndexToDirectWriteWeight) {
  EXPECT_EQ(font_weight_value(0), 400);
  EXPECT_EQ(font_weight_value(1), 500);
  EXPECT_EQ(font_weight_value(2), 600);
  EXPECT_EQ(font_weight_value(3), 700);
}

TEST(FontFamilies, VariableFamiliesOnlyWhenFound) {
  const FontFamilies found = choose_font_families(true);
  EXPECT_EQ(found.text, "Segoe UI Variable Text");
  EXPECT_EQ(found.display, "Segoe UI Variable Display");
  const FontFamilies missing = choose_font_families(false);
  EXPECT_EQ(missing.text, "Segoe UI");
  EXPECT_EQ(missing.display, "Segoe UI");

  EXPECT_EQ(family_for(found, style_of(12, 0, true)), "Segoe UI Variable Display");
  EXPECT_EQ(family_for(found, style_of(12, 0, false)), "Segoe UI Variable Text");
}

TEST(LayoutBox, ZeroNegativeAndNaNLengthsCountAsOne) {
  EXPECT_EQ(layout_box(0, -5), (LayoutBox{1, 1}));
  EXPECT_EQ(layout_box(std::nanf(""), 30), (LayoutBox{1, 30}));
  EXPECT_EQ(layout_box(200.5f, 0.5f), (LayoutBox{200.5f, 1}));
}

TEST(LayoutBox, WrappingTextMayRunBelowItsRectangle) {
  const Rect rect{26, 100, 328, 40};
  EXPECT_EQ(draw_layout_box(style_of(12, 0, false, true), rect), (LayoutBox{328, 10000}));
  EXPECT_EQ(draw_layout_box(style_of(12, 0, false, true), Rect{0, 0, 10, 12000}),
            (LayoutBox{10, 12000}));
  EXPECT_EQ(draw_layout_box(style_of(12), rect), (LayoutBox{328, 40}));
  EXPECT_EQ(measure_layout_box(-1), (LayoutBox{1, 10000}));
}

TEST(TextOrigin, SingleLineCentredButNeverAboveTop) {
  const Rect rect{10, 100, 200, 30};
  EXPECT_EQ(text_origin(style_of(12), rect, 16), (Point{10, 107}));
  // Taller than its rectangle: drawn from the rectangle's top.
  EXPECT_EQ(text_origin(style_of(12), rect, 44), (Point{10, 100}));
  // Wrapping text always starts at the top.
  EXPECT_EQ(text_origin(style_of(12, 0, false, true), rect, 16), (Point{10, 100}));
}

TEST(LineSpacing, BaselineAtFourFifths) {
  TextStyle s = style_of(13);
  EXPECT_FALSE(line_spacing(s).has_value());
  s.line_height = 20.0f;
  EXPECT_EQ(line_spacing(s), (LineSpacing{20, 16}));
}

// A cached layout may only be reused for a text laid out the same way; the colour is applied
// at drawing time.
TEST(TextLayoutKey, DiffersInEverythingALayoutIsMadeFrom) {
  TextStyle base = style_of(14, 1);
  const TextLayoutKey key = text_layout_key(base, LayoutBox{100, 20});
  TextStyle recoloured = base;
  recoloured.color = rgb(1, 2, 3, 0.5f);
  EXPECT_EQ(text_layout_key(recoloured, LayoutBox{100, 20}), key);

  const struct {
    const char* name;
    void (*change)(TextStyle&);
    LayoutBox box;
  } rows[] = {
      {"text", [](TextStyle& s) { s.text = "Болих"; }, {100, 20}},
      {"size", [](TextStyle& s) { s.size = 15; }, {100, 20}},
      {"wrap", [](TextStyle& s) { s.wrap = true; }, {100, 20}},
      {"align", [](TextStyle& s) { s.align = TextAlign::Trailing; }, {100, 20}},
      {"letter spacing", [](TextStyle& s) { s.letter_spacing = 0.5f; }, {100, 20}},
      {"line height", [](TextStyle& s) { s.line_height = 18.0f; }, {100, 20}},
      {"box width", [](TextStyle&) {}, {101, 20}},
      {"box height", [](TextStyle&) {}, {100, 21}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TextStyle changed = base;
    row.change(changed);
    EXPECT_NE(text_layout_key(changed, row.box), key);
  }
}

TEST(LruCache, ForgetsTheLeastRecentlyUsedWhenFull) {
  LruCache<int, std::string> cache(2);
  cache.insert(1, "one");
  cache.insert(2, "two");
  ASSERT_NE(cache.find(1), nullptr);  // 2 is now the least recently used
  cache.insert(3, "three");
  EXPECT_EQ(cache.size(), 2u);
  EXPECT_EQ(cache.find(2), nullptr);
  ASSERT_NE(cache.find(1), nullptr);
  EXPECT_EQ(*cache.find(1), "one");
  ASSERT_NE(cache.find(3), nullptr);
  EXPECT_EQ(*cache.find(3), "three");
}

TEST(RecordingMeasure, DeterministicWidthsAndGreedyWrap) {
  TextStyle s = style_of(10);
  s.text = "аб вг";  // five code points, two bytes for each Cyrillic letter
  EXPECT_EQ(RecordingSurface::measure(s, 1), (TextSize{25, 12.5f}));  // one line ignores width
  s.letter_spacing = 1;
  EXPECT_EQ(RecordingSurface::measure(s, 1000).width, 30);
  s.letter_spacing = 0;
  s.wrap = true;
  s.text = "one two three\nfour";
  EXPECT_EQ(RecordingSurface::measure(s, 1000), (TextSize{65, 25}));  // the explicit break
  EXPECT_EQ(RecordingSurface::measure(s, 30), (TextSize{25, 50}));    // one word per line
  EXPECT_EQ(RecordingSurface::measure(s, 40), (TextSize{35, 37.5f}));  // "one two" fits 8
  s.line_height = 18;
  EXPECT_EQ(RecordingSurface::measure(s, 30).height, 72);
}

TEST(RecordingText, RecordsStyleAndPlacement) {
  RecordingSurface surface;
  DrawContext draw(surface);
  TextStyle s = style_of(14, 3);
  s.align = TextAlign::Center;
  draw.draw_text(s, Rect{0, 10, 100, 40});
  ASSERT_EQ(surface.calls.size(), 1u);
  const RecordedText& t = surface.calls[0].text;
  EXPECT_EQ(t.text, "Суулгах");
  EXPECT_EQ(t.size, 14);
  EXPECT_EQ(t.weight, 3);
  EXPECT_EQ(t.align, TextAlign::Center);
  EXPECT_TRUE(draw_expect::near_point(t.origin, {0, 10 + (40 - 17.5f) / 2}));
}

}  // namespace
}  // namespace vl
