// The Cairo drawing surface of the page gallery: what it draws, read back from its pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "cairo_surface.h"
#include "gallery.h"

namespace gallery {
namespace {

using vl::Color;
using vl::DrawContext;
using vl::GradientStop;
using vl::rgb;

constexpr float kPi = std::numbers::pi_v<float>;
const Color kRed = rgb(255, 0, 0);
const Color kBlue = rgb(0, 0, 255);
const Color kWhite = rgb(255, 255, 255);
const Color kBlack = rgb(0, 0, 0);

// The ramp's straight colour at `position`, as Cairo interpolates between its stops.
Color ramp_at(const std::vector<RampStop>& ramp, double position) {
  if (position <= ramp.front().offset) return ramp.front().color;
  for (size_t i = 1; i < ramp.size(); ++i) {
    if (position <= ramp[i].offset) {
      const double span = ramp[i].offset - ramp[i - 1].offset;
      const float t = span > 0 ? static_cast<float>((position - ramp[i - 1].offset) / span) : 1;
      return vl::lerp(ramp[i - 1].color, ramp[i].color, t);
    }
  }
  return ramp.back().color;
}

struct RampCase {
  const char* name;
  std::vector<GradientStop> stops;
  double position;
  Color expected;
};

TEST(RampStops, DrawWhatDirect2DDrawsWithGammaTwoPointTwoAndClamping) {
  const Color kGrey = rgb(127.5f, 127.5f, 127.5f);  // halfway between black and white
  const RampCase cases[] = {
      {"premultiplied: no purple between transparent red and blue",
       {{vl::with_alpha(kRed, 0), 0}, {kBlue, 1}}, 0.5, vl::with_alpha(kBlue, 0.5f)},
      {"colours as given, not linearised", {{kBlack, 0}, {kWhite, 1}}, 0.5, kGrey},
      {"clamped before the first stop", {{kRed, 0.25f}, {kBlue, 0.75f}}, 0.1, kRed},
      {"clamped after the last stop", {{kRed, 0.25f}, {kBlue, 0.75f}}, 0.9, kBlue},
      {"sorted by position", {{kBlue, 1}, {kRed, 0}}, 0.0, kRed},
      {"a stop before 0 cuts the ramp", {{kBlack, -1}, {kWhite, 1}}, 0.0, kGrey},
      {"every stop beyond 1", {{kRed, 1.5f}, {kBlue, 2}}, 0.9, kRed},
      {"every stop before 0", {{kRed, -2}, {kBlue, -1}}, 0.1, kBlue},
      {"one stop", {{kRed, 0.5f}}, 0.9, kRed},
      {"equal positions make a hard edge", {{kRed, 0}, {kRed, 0.5f}, {kBlue, 0.5f}, {kBlue, 1}},
       0.5001, kBlue},
  };
  for (const RampCase& c : cases) {
    const Color got = ramp_at(ramp_stops(c.stops), c.position);
    EXPECT_NEAR(got.r, c.expected.r, 0.01f) << c.name;
    EXPECT_NEAR(got.g, c.expected.g, 0.01f) << c.name;
    EXPECT_NEAR(got.b, c.expected.b, 0.01f) << c.name;
    EXPECT_NEAR(got.a, c.expected.a, 0.01f) << c.name;
  }
}

// ---- pixels ------------------------------------------------------------------------------

class CairoSurfaceTest : public ::testing::Test {
 protected:
  // A 100 x 100 DIP white canvas at `dpi`.
  void canvas(float dpi) {
    const int pixels = static_cast<int>(std::lround(100 * dpi / 96));
    surface = std::make_unique<CairoSurface>(resources, pixels, pixels, dpi);
    draw = std::make_unique<DrawContext>(*surface);
    draw->fill_round_rect({0, 0, 100, 100}, 0, kWhite);
    surface->clear_notes();
    dpi_ = dpi;
  }

  // The pixel at a DIP point as bytes (r, g, b) over white.
  std::array<int, 3> at(float x, float y) {
    cairo_surface_t* image = surface->image();
    cairo_surface_flush(image);
    const int px = static_cast<int>(x * dpi_ / 96);
    const int py = static_cast<int>(y * dpi_ / 96);
    const auto* row =
        cairo_image_surface_get_data(image) + py * cairo_image_surface_get_stride(image);
    const uint32_t v = reinterpret_cast<const uint32_t*>(row)[px];
    return {static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255),
            static_cast<int>(v & 255)};
  }

  // Pixels in a DIP band that differ from white.
  int ink(float x, float y, float w, float h) {
    int count = 0;
    for (float py = y; py < y + h; py += 96 / dpi_) {
      for (float px = x; px < x + w; px += 96 / dpi_) {
        const auto p = at(px, py);
        if (p[0] < 200 || p[1] < 200 || p[2] < 200) ++count;
      }
    }
    return count;
  }

  // The DIP x of the leftmost and rightmost ink in a band.
  std::pair<float, float> ink_span(float y, float h) {
    float first = 100;
    float last = 0;
    for (float px = 0; px < 100; px += 96 / dpi_) {
      if (ink(px, y, 96 / dpi_, h) == 0) continue;
      first = std::min(first, px);
      last = std::max(last, px);
    }
    return {first, last};
  }

  CairoResources resources;
  std::unique_ptr<CairoSurface> surface;
  std::unique_ptr<DrawContext> draw;
  float dpi_ = 96;
};

struct PixelCase {
  const char* name;
  float dpi;
  std::function<void(DrawContext&)> paint;
  float x, y;
  std::array<int, 3> expected;
};

TEST_F(CairoSurfaceTest, DrawsShapesWhereDirect2DDoes) {
  const std::array<int, 3> white{255, 255, 255};
  const std::array<int, 3> red{255, 0, 0};
  const std::array<int, 3> blue{0, 0, 255};
  const PixelCase cases[] = {
      {"a large arc passes the far side", 96,
       [](DrawContext& d) { d.arc(50, 50, 20, 0, 3 * kPi / 2, 4, kRed); }, 30, 50, red},
      {"a small arc does not", 96,
       [](DrawContext& d) { d.arc(50, 50, 20, 0, kPi / 2, 4, kRed); }, 30, 50, white},
      {"arcs run clockwise on screen", 96,
       [](DrawContext& d) { d.arc(50, 50, 20, 0, kPi / 2, 4, kRed); }, 50, 70, red},
      {"round caps reach past a line's end", 96,
       [](DrawContext& d) { d.line(20, 50, 60, 50, 10, kRed); }, 62, 50, red},
      {"gradient clamped before its first stop", 144,
       [](DrawContext& d) {
         d.fill_gradient({0, 0, 100, 100}, 0, 90, {GradientStop{kRed, 0.25f},
                                                   GradientStop{kBlue, 0.75f}});
       },
       10, 50, red},
      {"radial gradient: the ellipse's vertical radius is its own", 96,
       [](DrawContext& d) {
         d.fill_radial_gradient({0, 0, 100, 100}, 50, 50, 40, 10,
                                {GradientStop{kRed, 0}, GradientStop{kBlue, 1}});
       },
       50, 61, blue},
      {"a clip keeps the fill out", 192,
       [](DrawContext& d) {
         d.push_clip({0, 0, 50, 100});
         d.fill_round_rect({0, 0, 100, 100}, 0, kRed);
         d.pop_clip();
       },
       75, 50, white},
      {"a popped clip no longer applies", 96,
       [](DrawContext& d) {
         d.push_clip({0, 0, 50, 100});
         d.pop_clip();
         d.fill_round_rect({0, 0, 100, 100}, 0, kRed);
       },
       75, 50, red},
      {"the radius is at most half the shorter side", 96,
       [](DrawContext& d) { d.fill_round_rect({0, 40, 100, 20}, 30, kRed); }, 50, 41, red},
      {"opacity halves the colour", 144,
       [](DrawContext& d) {
         d.opacity = 0.5f;
         d.fill_round_rect({0, 0, 100, 100}, 0, kRed);
       },
       50, 50, {255, 128, 128}},
  };
  for (const PixelCase& c : cases) {
    canvas(c.dpi);
    c.paint(*draw);
    const auto got = at(c.x, c.y);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(got[i], c.expected[i], 3) << c.name << " channel " << i;
    }
  }
}

TEST_F(CairoSurfaceTest, DrawsTheLogoAtItsPixelSizeWithTheOpacity) {
  // A red 2 x 2 PNG stands in for the logo.
  cairo_surface_t* red = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2, 2);
  cairo_t* cr = cairo_create(red);
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  std::vector<uint8_t> png;
  cairo_surface_write_to_png_stream(
      red,
      [](void* out, const unsigned char* data, unsigned int n) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(out);
        bytes->insert(bytes->end(), data, data + n);
        return CAIRO_STATUS_SUCCESS;
      },
      &png);
  cairo_surface_destroy(red);

  canvas(144);
  draw->opacity = 0.5f;
  draw->draw_png("logo", png, {20, 20, 30, 10});
  draw->draw_png("logo", png, {20, 40, 30, 10});  // same pixel size: decoded once
  EXPECT_EQ(resources.decoded_images(), 1);
  const auto inside = at(35, 25);
  EXPECT_NEAR(inside[1], 128, 3);
  EXPECT_EQ(at(35, 32), (std::array<int, 3>{255, 255, 255}));
}

TEST_F(CairoSurfaceTest, LaysTextOutByTheWrappingRules) {
  canvas(96);
  vl::TextStyle style;
  style.size = 13;
  style.text = "Энэ цонх нь товч, сонголт, холбоос зэрэг бүх элементийг харуулна.";
  const vl::TextSize line = draw->measure_text(vl::TextStyle{.size = 13, .text = "Энэ"}, 400);
  ASSERT_GT(line.height, 0);

  style.wrap = true;
  const vl::TextSize wrapped = draw->measure_text(style, 120);
  EXPECT_LE(wrapped.width, 120);
  EXPECT_GE(wrapped.height, 3 * line.height) << "wraps at words into several lines";

  style.line_height = 18;
  const vl::TextSize uniform = draw->measure_text(style, 120);
  const float lines = uniform.height / 18;
  EXPECT_FLOAT_EQ(lines, std::round(lines)) << "every line is exactly the fixed height";
  EXPECT_EQ(std::lround(lines), std::lround(wrapped.height / line.height));

  style.line_height.reset();
  style.wrap = false;
  const vl::TextSize trimmed = draw->measure_text(style, 120);
  EXPECT_LE(trimmed.width, 120) << "one line, trimmed";
  EXPECT_FLOAT_EQ(trimmed.height, line.height);

  // A word longer than the line breaks inside the word rather than overflowing.
  style.wrap = true;
  style.text = "Компьютерийнхэрэглэгчдийнхээ";
  EXPECT_LE(draw->measure_text(style, 60).width, 60);

  // The spacing follows every character, the last one included.
  vl::TextStyle spaced{.size = 13, .text = "Энэ"};
  spaced.letter_spacing = 2;
  EXPECT_NEAR(draw->measure_text(spaced, 400).width, line.width + 3 * 2, 0.05);
}

TEST_F(CairoSurfaceTest, PlacesTextByItsAlignmentAndTrimsItToItsRectangle) {
  canvas(96);
  vl::TextStyle style{.size = 14, .text = "ШШШ", .color = kBlack};
  style.align = vl::TextAlign::Center;
  draw->draw_text(style, {0, 10, 100, 20});
  const auto [first, last] = ink_span(10, 20);
  EXPECT_NEAR((first + last) / 2, 50, 1.5) << "centred ink from " << first << " to " << last;

  style.align = vl::TextAlign::Trailing;
  draw->draw_text(style, {0, 40, 100, 20});
  EXPECT_EQ(ink(0, 40, 50, 20), 0);
  EXPECT_GT(ink(50, 40, 50, 20), 0);

  style.align = vl::TextAlign::Leading;
  style.text = "Компьютерийн бүх хэрэглэгч";
  draw->draw_text(style, {0, 70, 60, 20});
  EXPECT_GT(ink(0, 70, 60, 20), 0);
  EXPECT_EQ(ink(60, 60, 40, 40), 0) << "the trimmed line stays in its rectangle";
}

struct RegionCase {
  const char* name;
  std::function<void(DrawContext&)> paint;
  std::vector<WineFault> faults;
};

struct MaskCase {
  const char* name;
  std::function<void(DrawContext&)> paint;
  int expected;  // 0..255 at (50, 50)
};

TEST_F(CairoSurfaceTest, MasksWhatAWrongColourStillShowsThrough) {
  const auto arc = [](DrawContext& d) { d.arc(50, 50, 10, 0, kPi, 40, kRed); };
  const MaskCase cases[] = {
      {"an arc", arc, 255},
      {"an arc under an opaque fill",
       [&](DrawContext& d) {
         arc(d);
         d.fill_round_rect({0, 0, 100, 100}, 0, kWhite);
       },
       0},
      {"an arc under a fill at alpha 0.75",
       [&](DrawContext& d) {
         arc(d);
         d.fill_round_rect({0, 0, 100, 100}, 0, vl::with_alpha(kWhite, 0.75f));
       },
       64},
      {"an arc under a translucent gradient",
       [&](DrawContext& d) {
         arc(d);
         d.fill_gradient({0, 0, 100, 100}, 0, 90, {GradientStop{vl::with_alpha(kRed, 0), 0},
                                                   GradientStop{kRed, 1}});
       },
       255},
      {"a fill outside a clip covers nothing",
       [&](DrawContext& d) {
         arc(d);
         d.push_clip({0, 0, 10, 10});
         d.fill_round_rect({0, 0, 100, 100}, 0, kWhite);
         d.pop_clip();
       },
       255},
  };
  for (const MaskCase& c : cases) {
    canvas(96);
    c.paint(*draw);
    cairo_surface_flush(surface->wine_mask());
    const uint8_t* data = cairo_image_surface_get_data(surface->wine_mask());
    const int stride = cairo_image_surface_get_stride(surface->wine_mask());
    EXPECT_NEAR(data[50 * stride + 50], c.expected, 2) << c.name;
  }
}

TEST_F(CairoSurfaceTest, NotesWhereWineDrawsOtherwise) {
  const RegionCase cases[] = {
      {"arc", [](DrawContext& d) { d.arc(50, 50, 10, 0, kPi, 2, kRed); }, {WineFault::Arc}},
      {"line ends",
       [](DrawContext& d) { d.line(10, 10, 90, 10, 2, kRed); },
       {WineFault::StrokeStyle, WineFault::StrokeStyle}},
      // Translucent stops: the Direct2D surface rasterises them, so Wine draws them right too.
      {"translucent stop",
       [](DrawContext& d) {
         d.fill_gradient({0, 0, 50, 50}, 0, 90, {GradientStop{vl::with_alpha(kRed, 0.3f), 0},
                                                 GradientStop{kRed, 1}});
       },
       {}},
      {"opaque stops under a faded page",
       [](DrawContext& d) {
         d.opacity = 0.5f;
         d.fill_gradient({0, 0, 50, 50}, 0, 90, {GradientStop{kRed, 0}, GradientStop{kBlue, 1}});
       },
       {}},
      {"opaque stops, rectangles and circles",
       [](DrawContext& d) {
         d.fill_gradient({0, 0, 50, 50}, 0, 90, {GradientStop{kRed, 0}, GradientStop{kBlue, 1}});
         d.stroke_round_rect({10, 10, 50, 50}, 8, 2, kRed);
         d.stroke_circle(50, 50, 20, 2, kRed);
       },
       {}},
  };
  for (const RegionCase& c : cases) {
    canvas(96);
    c.paint(*draw);
    std::vector<WineFault> got;
    for (const WineRegion& r : surface->wine_regions()) got.push_back(r.fault);
    EXPECT_EQ(got, c.faults) << c.name;
  }
}

// Only texts that can still show are compared with Wine's render.
TEST_F(CairoSurfaceTest, ATextAnOpaqueFillHidesIsNotCompared) {
  const struct {
    const char* name;
    Color cover;
    vl::Rect over;
    size_t boxes;
  } cases[] = {
      {"an opaque card over it", kWhite, {10, 10, 80, 40}, 0},
      {"a translucent scrim over it", vl::with_alpha(kBlack, 0.5f), {10, 10, 80, 40}, 1},
      {"an opaque card over part of it", kWhite, {10, 10, 30, 40}, 1},
  };
  for (const auto& c : cases) {
    canvas(96);
    draw->draw_text(vl::TextStyle{.size = 13, .text = "Энэ"}, {20, 20, 60, 20});
    draw->fill_round_rect(c.over, 8, c.cover);
    EXPECT_EQ(surface->text_boxes().size(), c.boxes) << c.name;
  }
}

// A page that paints `paint` in the window's size.
class PaintApp final : public vl::WindowApp {
 public:
  explicit PaintApp(std::function<void(vl::FrameContext&)> paint) : paint_(std::move(paint)) {}
  std::string title() override { return "test"; }
  void on_created(vl::WindowControl&) override {}
  vl::SizeF window_size() override { return {420, 580}; }
  float drag_height() override { return 0; }
  void paint(vl::FrameContext& frame) override { paint_(frame); }
  void on_action(uint32_t, vl::WindowControl&) override {}
  void on_app_message(vl::WindowControl&) override {}
  void on_close(vl::WindowControl&) override {}
  std::optional<uint32_t> default_action() override { return std::nullopt; }

 private:
  std::function<void(vl::FrameContext&)> paint_;
};

PageState state_painting(std::string name, std::function<void(vl::FrameContext&)> paint) {
  return PageState{std::move(name), vl::FramePlan{.time = 0.1f},
                   [paint](std::span<const uint8_t>) { return std::make_unique<PaintApp>(paint); }};
}

TEST(DrawState, AStateThatCannotBeDrawnIsAFailureNamingIt) {
  CairoResources resources;
  const std::string folder = ::testing::TempDir();
  vl::Result<Picture> failed = draw_state(
      resources, state_painting("broken", [](vl::FrameContext&) {
        throw std::runtime_error("no such page");
      }),
      96, {}, folder);
  ASSERT_FALSE(failed);
  EXPECT_NE(failed.error().find("broken"), std::string::npos) << failed.error();

  vl::Result<Picture> drawn = draw_state(
      resources, state_painting("plain", [](vl::FrameContext& f) {
        f.draw.fill_round_rect({0, 0, f.width, f.height}, 0, kWhite);
      }),
      144, {}, folder);
  ASSERT_TRUE(drawn) << drawn.error();
  cairo_surface_t* png = cairo_image_surface_create_from_png((folder + "/" + drawn->file).c_str());
  EXPECT_EQ(cairo_image_surface_get_width(png), 630) << "the window's 420 DIPs at 144 DPI";
  cairo_surface_destroy(png);
}

}  // namespace
}  // namespace gallery
