// The processor's rendering of translucent gradients against the gallery's Cairo rendering of
// the same fills (which follows Direct2D's gradient rules), over a dark blue: the same pixels.
#include "gfx/gradient_raster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "cairo_surface.h"

namespace vl {
namespace {

struct RasterCase {
  const char* name;
  GradientFill fill;
  float dpi;
};

const Color kRed = rgb(255, 0, 0);
const Color kBlue = rgb(0, 0, 255);
const Color kGlow = rgb(64, 115, 255);

TEST(GradientRaster, DrawsWhatTheGalleryDraws) {
  constexpr int BACKGROUND[3] = {208, 127, 26};  // blue, green, red: a button's deep blue
  const RasterCase cases[] = {
      {"a button's gloss: rounded, fading downwards",
       {.rect = {10, 20, 80, 26.4f},
        .radius = 11,
        .start = {50, 20},
        .end = {50, 46.4f},
        .stops = {{with_alpha(WHITE, 0.24f), 0}, {with_alpha(WHITE, 0), 1}}},
       96},
      {"a glow centred above its rectangle",
       {.radial = true,
        .rect = {0, 0, 100, 100},
        .start = {80, -13},
        .radius_x = 120,
        .radius_y = 110,
        .stops = {{with_alpha(kGlow, 0.5f), 0},
                  {with_alpha(kGlow, 0.15f), 0.45f},
                  {with_alpha(kGlow, 0), 1}}},
       144},
      {"stops out of order and beyond 0..1, interpolated premultiplied",
       {.rect = {5.3f, 7.7f, 61.1f, 40.2f},
        .radius = 14,
        .start = {15, 0},
        .end = {50, 0},
        .stops = {{kBlue, 1.4f}, {with_alpha(kRed, 0), -0.2f}, {with_alpha(kRed, 0.6f), 0.5f}}},
       192},
  };
  gallery::CairoResources resources;
  for (const RasterCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int size = static_cast<int>(std::lround(100 * c.dpi / 96));
    gallery::CairoSurface cairo(resources, size, size, c.dpi);
    cairo.fill_round_rect({0, 0, 100, 100}, 0, rgb(26, 127, 208));
    if (c.fill.radial) {
      cairo.fill_radial_gradient(c.fill.rect, c.fill.start, c.fill.radius_x, c.fill.radius_y,
                                 c.fill.stops);
    } else {
      cairo.fill_linear_gradient(c.fill.rect, c.fill.radius, c.fill.start, c.fill.end,
                                 c.fill.stops);
    }
    cairo_surface_t* image = cairo.image();
    cairo_surface_flush(image);
    const PixelBlock block = rasterize_gradient(c.fill, c.dpi);
    ASSERT_EQ(block.pixels.size(), size_t{block.width} * block.height);
    int differing = 0;
    long alpha_sum = 0;
    long cairo_ink = 0;
    for (int y = 0; y < size; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(
          cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image));
      for (int x = 0; x < size; ++x) {
        uint32_t ours = 0;
        const int bx = x - block.left;
        const int by = y - block.top;
        if (bx >= 0 && by >= 0 && bx < static_cast<int>(block.width) &&
            by < static_cast<int>(block.height)) {
          ours = block.pixels[static_cast<size_t>(by) * block.width + bx];
        }
        const int alpha = static_cast<int>(ours >> 24);
        alpha_sum += alpha;
        bool differs = false;
        for (int channel = 0; channel < 3; ++channel) {
          const int shift = 8 * channel;
          const int over = static_cast<int>((ours >> shift) & 255) +
                           (BACKGROUND[channel] * (255 - alpha) + 127) / 255;
          const int theirs = static_cast<int>((row[x] >> shift) & 255);
          cairo_ink += std::abs(theirs - BACKGROUND[channel]);
          // Antialiased edges are rasterised a little differently: only a clear difference counts.
          differs = differs || std::abs(over - theirs) > 6;
        }
        differing += differs;
      }
    }
    EXPECT_GT(alpha_sum, 0);
    EXPECT_GT(cairo_ink, 0);
    // A few pixels of the shape's antialiased edge may differ; nothing inside it.
    const float perimeter = 2 * (c.fill.rect.w + c.fill.rect.h) * c.dpi / 96;
    EXPECT_LE(differing, static_cast<int>(perimeter / 40)) << "pixels differing";
  }
}

}  // namespace
}  // namespace vl
