#include "gfx/gradient_raster.h"

#include <algorithm>
#include <cmath>

namespace vl {
namespace {

struct Premultiplied {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 0.0f;
};

Premultiplied premultiply(const Color& c) { return {c.r * c.a, c.g * c.a, c.b * c.a, c.a}; }

// The stops' colour at `t`; `stops` sorted by position. Beyond 0 and 1 the colour there holds
// (stops outside 0..1 cut the ramp where 0 and 1 fall).
Premultiplied colour_at(std::span<const GradientStop> stops, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  if (!(t > stops.front().position)) return premultiply(stops.front().color);
  for (size_t i = 0; i + 1 < stops.size(); ++i) {
    const GradientStop& from = stops[i];
    const GradientStop& to = stops[i + 1];
    if (t >= to.position) continue;
    const float f = (t - from.position) / (to.position - from.position);
    const Premultiplied a = premultiply(from.color);
    const Premultiplied b = premultiply(to.color);
    return {lerp(a.r, b.r, f), lerp(a.g, b.g, f), lerp(a.b, b.b, f), lerp(a.a, b.a, f)};
  }
  return premultiply(stops.back().color);
}

// The length of [a, a + 1) inside [lo, hi).
float overlap(float a, float lo, float hi) {
  return std::clamp(std::min(a + 1.0f, hi) - std::max(a, lo), 0.0f, 1.0f);
}

uint32_t byte(float v) {
  return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

bool has_translucent_stop(std::span<const GradientStop> stops) {
  return std::any_of(stops.begin(), stops.end(),
                     [](const GradientStop& s) { return s.color.a < 1.0f; });
}

PixelBlock rasterize_gradient(const GradientFill& fill, float dpi) {
  PixelBlock out;
  const float scale = (dpi > 0.0f ? dpi : 96.0f) / 96.0f;
  const Rect& r = fill.rect;
  if (fill.stops.empty() || !(r.w > 0.0f) || !(r.h > 0.0f)) return out;
  if (fill.radial && !(fill.radius_x > 0.0f && fill.radius_y > 0.0f)) return out;
  std::vector<GradientStop> stops = fill.stops;
  std::stable_sort(stops.begin(), stops.end(), [](const GradientStop& a, const GradientStop& b) {
    return a.position < b.position;
  });

  const float x0 = r.x * scale;
  const float y0 = r.y * scale;
  const float x1 = (r.x + r.w) * scale;
  const float y1 = (r.y + r.h) * scale;
  // The corners' radius in pixels, at most half the shorter side.
  const float corner =
      fill.radial ? 0.0f : std::clamp(fill.radius * scale, 0.0f, std::min(x1 - x0, y1 - y0) / 2);
  out.left = static_cast<int32_t>(std::floor(x0));
  out.top = static_cast<int32_t>(std::floor(y0));
  out.width = static_cast<uint32_t>(static_cast<int64_t>(std::ceil(x1)) - out.left);
  out.height = static_cast<uint32_t>(static_cast<int64_t>(std::ceil(y1)) - out.top);
  out.pixels.assign(static_cast<size_t>(out.width) * out.height, 0);

  // Inside the rounded shape (a point of the plain rectangle is inside unless a corner's arc
  // cuts it off).
  const auto inside = [&](float x, float y) {
    if (x < x0 || x >= x1 || y < y0 || y >= y1) return false;
    const float cx = std::clamp(x, x0 + corner, x1 - corner);
    const float cy = std::clamp(y, y0 + corner, y1 - corner);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= corner * corner;
  };
  const float dx = fill.end.x - fill.start.x;
  const float dy = fill.end.y - fill.start.y;
  const float length2 = dx * dx + dy * dy;
  constexpr int SAMPLES = 8;  // per side, where a corner's arc crosses the pixel
  for (uint32_t row = 0; row < out.height; ++row) {
    const float py = static_cast<float>(out.top + static_cast<int32_t>(row));
    for (uint32_t column = 0; column < out.width; ++column) {
      const float px = static_cast<float>(out.left + static_cast<int32_t>(column));
      float coverage;
      const bool near_corner = corner > 0.0f && (px < x0 + corner || px + 1.0f > x1 - corner) &&
                               (py < y0 + corner || py + 1.0f > y1 - corner);
      if (near_corner) {
        int hits = 0;
        for (int sy = 0; sy < SAMPLES; ++sy) {
          for (int sx = 0; sx < SAMPLES; ++sx) {
            hits += inside(px + (static_cast<float>(sx) + 0.5f) / SAMPLES,
                           py + (static_cast<float>(sy) + 0.5f) / SAMPLES);
          }
        }
        coverage = static_cast<float>(hits) / (SAMPLES * SAMPLES);
      } else {
        coverage = overlap(px, x0, x1) * overlap(py, y0, y1);
      }
      if (!(coverage > 0.0f)) continue;
      // The gradient at the pixel's centre, in DIPs.
      const float x = (px + 0.5f) / scale;
      const float y = (py + 0.5f) / scale;
      float t;
      if (fill.radial) {
        const float u = (x - fill.start.x) / fill.radius_x;
        const float v = (y - fill.start.y) / fill.radius_y;
        t = std::sqrt(u * u + v * v);
      } else {
        t = length2 > 0.0f ? ((x - fill.start.x) * dx + (y - fill.start.y) * dy) / length2 : 0.0f;
      }
      const Premultiplied c = colour_at(stops, t);
      out.pixels[static_cast<size_t>(row) * out.width + column] =
          byte(c.b * coverage) | byte(c.g * coverage) << 8 | byte(c.r * coverage) << 16 |
          byte(c.a * coverage) << 24;
    }
  }
  return out;
}

}  // namespace vl
