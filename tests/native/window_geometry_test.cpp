#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ui/window_geometry.h"

namespace vl {
namespace {

TEST(WindowSizeForDpi, RoundsHalfAwayFromZeroAndSaturates) {
  struct Case {
    float dips;
    float dpi;
    int32_t pixels;
  };
  const Case cases[] = {
      {420, 96, 420},   {580, 96, 580},  {420, 144, 630},  {580, 144, 870},
      {420, 120, 525},  {580, 120, 725}, {1, 144, 2},       // 1.5 rounds away from zero
      {-1, 144, -2},    {0.5f, 96, 1},   {420, 192, 840},
      {3e9f, 96, std::numeric_limits<int32_t>::max()},
      {-3e9f, 96, std::numeric_limits<int32_t>::min()},
      {std::nanf(""), 96, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dips_to_pixels(c.dips, c.dpi), c.pixels) << c.dips << " DIPs at " << c.dpi;
  }
}

TEST(WindowDpi, ReadingsBelow97CountAs96) {
  EXPECT_EQ(effective_dpi(0), 96.0f);   // GetDpiForWindow failed or missing
  EXPECT_EQ(effective_dpi(72), 96.0f);  // a 72-DPI report keeps the 420 × 580 window
  EXPECT_EQ(effective_dpi(96), 96.0f);
  EXPECT_EQ(effective_dpi(97), 97.0f);
  EXPECT_EQ(effective_dpi(144), 144.0f);
}

TEST(WindowDpi, OnlyChangesAboveATenthRescale) {
  EXPECT_FALSE(dpi_changed(96.0f, 96.05f));
  EXPECT_FALSE(dpi_changed(96.0f, 96.0f));
  EXPECT_TRUE(dpi_changed(96.0f, 96.2f));
  EXPECT_TRUE(dpi_changed(144.0f, 96.0f));
}

TEST(WindowPlacement, CentresInTheWorkAreaTruncatingTowardZero) {
  struct Case {
    PixelRect work;
    int32_t width;
    int32_t height;
    PixelPoint at;
  };
  const Case cases[] = {
      // 1024 × 768 screen with a 40-pixel taskbar at the bottom.
      {{0, 0, 1024, 728}, 420, 580, {302, 74}},
      {{0, 0, 1024, 728}, 630, 870, {197, -71}},  // larger than the work area
      {{0, 0, 1025, 729}, 420, 580, {302, 74}},   // odd remainder truncated
      {{-1280, 0, 0, 1024}, 421, 580, {-1280 + 429, 222}},  // monitor left of the primary
      {{0, 0, 100, 100}, 101, 101, {0, 0}},       // -0.5 truncates toward zero
  };
  for (const Case& c : cases) {
    EXPECT_EQ(centred_in(c.work, c.width, c.height), c.at);
  }
}

TEST(MouseMessage, CoordinatesAreSignedWords) {
  EXPECT_EQ(mouse_point_from_lparam(0x00640032u), (PixelPoint{50, 100}));
  // A captured mouse left of and above the window reports negative client coordinates.
  EXPECT_EQ(mouse_point_from_lparam(0xFFF6FFFBu), (PixelPoint{-5, -10}));
}

TEST(KeyMessage, HeldKeyRepeatsAreRecognisedByBit30) {
  EXPECT_FALSE(is_key_repeat(0x001C0001u));  // Enter, first press
  EXPECT_TRUE(is_key_repeat(0x401C0001u));   // Enter, auto-repeat
  EXPECT_FALSE(is_key_repeat(0x80000000u));  // transition bit alone is not a repeat
}

TEST(TaskbarProgress, FractionIsClampedAndTruncatedToThousandths) {
  struct Case {
    float fraction;
    uint32_t completed;
  };
  const Case cases[] = {{0.5f, 500},   {0.9999f, 999}, {0.0015f, 1}, {1.0f, 1000},
                        {1.7f, 1000},  {-0.2f, 0},     {std::nanf(""), 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(taskbar_progress_value(c.fraction), c.completed) << c.fraction;
  }
}

}  // namespace
}  // namespace vl
