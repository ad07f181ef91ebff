#pragma once
// Gradients with translucent stops, rasterised on the processor into premultiplied pixels.
//
// Wine 8's Direct2D blends a gradient stop's colour as if it were premultiplied: a stop of
// alpha 0 adds its whole colour (the header's glow turned light blue, the buttons' gloss a white
// band). A surface that must look the same there draws such a gradient as a bitmap made here,
// by the rules Direct2D follows for its gradient brushes: stops sorted by position (stable),
// colours interpolated premultiplied (gamma 2.2, that is on the stored values), the first and
// last colours held beyond the ends, the shape's edge antialiased.
#include <cstdint>
#include <span>
#include <vector>

#include "gfx/draw_context.h"

namespace vl {

// One gradient fill as DrawSurface receives it. Linear: from `start` to `end`, filling `rect`
// rounded by `radius` (<= 0: a plain rectangle). Radial: centred at `start` with radii
// `radius_x` and `radius_y`, filling the plain `rect`.
struct GradientFill {
  bool radial = false;
  Rect rect;
  float radius = 0.0f;
  Point start;
  Point end;
  float radius_x = 0.0f;
  float radius_y = 0.0f;
  std::vector<GradientStop> stops;
  bool operator==(const GradientFill&) const = default;
};

// Whether a surface's gradient brush would draw the stops wrongly under Wine: any alpha below 1.
bool has_translucent_stop(std::span<const GradientStop> stops);

// The fill at `dpi` in a block of whole device pixels whose top-left corner is `left`, `top`
// (pixels) and which holds the shape: each pixel premultiplied B, G, R, A (the low byte blue),
// the gradient's colour at the pixel's centre times the share of the pixel the shape covers.
// Empty for an empty shape.
struct PixelBlock {
  int32_t left = 0;
  int32_t top = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint32_t> pixels;  // width * height, row by row
};
PixelBlock rasterize_gradient(const GradientFill& fill, float dpi);

}  // namespace vl
