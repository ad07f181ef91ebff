#include "gfx/draw_context.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace vl {

namespace {

constexpr double kPi = std::numbers::pi;

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

float distance(Point a, Point b) { return std::hypot(b.x - a.x, b.y - a.y); }

Point along(Point from, Point to, float fraction) {
  return Point{from.x + (to.x - from.x) * fraction, from.y + (to.y - from.y) * fraction};
}

}  // namespace

float ease_out_back(float x) {
  const float u = x - 1.0f;
  return 1.0f + 2.70158f * u * u * u + 1.70158f * u * u;
}

float ease_out_cubic(float x) {
  const float u = 1.0f - x;
  return 1.0f - u * u * u;
}

GradientLine gradient_line(const Rect& rect, float angle_degrees) {
  const double a = static_cast<double>(angle_degrees) * kPi / 180.0;
  const double dx = std::cos(a - kPi / 2.0);
  const double dy = std::sin(a - kPi / 2.0);
  const double half = (std::fabs(std::sin(a)) * rect.w + std::fabs(std::cos(a)) * rect.h) / 2.0;
  const double cx = rect.x + rect.w / 2.0;
  const double cy = rect.y + rect.h / 2.0;
  return GradientLine{
      Point{static_cast<float>(cx - dx * half), static_cast<float>(cy - dy * half)},
      Point{static_cast<float>(cx + dx * half), static_cast<float>(cy + dy * half)}};
}

std::array<RoundRectFill, SHADOW_LAYERS> shadow_layers(const Rect& rect, float radius, float dy,
                                                       float spread, const Color& color) {
  std::array<RoundRectFill, SHADOW_LAYERS> layers;
  for (int i = 0; i < SHADOW_LAYERS; ++i) {
    const float t = static_cast<float>(i) * 0.125f;
    const float f = (1.0f - t) * spread;
    layers[i] = RoundRectFill{Rect{rect.x - f, rect.y - f + dy, rect.w + 2.0f * f,
                                   rect.h + 2.0f * f},
                              radius + f, with_alpha(color, (t + 0.4f) * color.a * 0.125f)};
  }
  return layers;
}

InsetStroke inset_stroke(const Rect& rect, float radius, float width) {
  const float half = width / 2.0f;
  return InsetStroke{Rect{rect.x + half, rect.y + half, rect.w - width, rect.h - width},
                     std::max(0.0f, radius - half)};
}

CheckMarkPoints check_mark_points(float x, float y, float size, float progress) {
  const Point p0{x - size, y};
  const Point p1{x - 0.3f * size, y + 0.7f * size};
  const Point p2{x + size, y - 0.75f * size};
  const float first = distance(p0, p1);
  const float second = distance(p1, p2);
  const float visible = clamp01(progress) * (first + second);
  if (visible <= first) {
    const float fraction = first > 0.0f ? visible / first : 0.0f;
    return CheckMarkPoints{{p0, along(p0, p1, fraction), Point{}}, 2};
  }
  const float fraction = second > 0.0f ? (visible - first) / second : 0.0f;
  return CheckMarkPoints{{p0, p1, along(p1, p2, std::min(fraction, 1.0f))}, 3};
}

ArcFigure arc_figure(float cx, float cy, float radius, float start, float sweep) {
  const double a = start;
  const double b = static_cast<double>(start) + static_cast<double>(sweep);
  return ArcFigure{
      Point{static_cast<float>(cx + radius * std::cos(a)),
            static_cast<float>(cy + radius * std::sin(a))},
      Point{static_cast<float>(cx + radius * std::cos(b)),
            static_cast<float>(cy + radius * std::sin(b))},
      radius, sweep > std::numbers::pi_v<float>};  // compared at the precision the sweep has
}

CircleRaster rasterize_circles(std::span<const Point> centres, float radius, float dpi) {
  CircleRaster out;
  const float scale = (dpi > 0.0f ? dpi : 96.0f) / 96.0f;
  const float r = radius * scale;
  if (centres.empty() || !(r > 0.0f)) return out;
  float min_x = std::numeric_limits<float>::max();
  float min_y = min_x;
  float max_x = std::numeric_limits<float>::lowest();
  float max_y = max_x;
  for (const Point& c : centres) {
    min_x = std::min(min_x, c.x * scale);
    min_y = std::min(min_y, c.y * scale);
    max_x = std::max(max_x, c.x * scale);
    max_y = std::max(max_y, c.y * scale);
  }
  out.left = static_cast<int32_t>(std::floor(min_x - r));
  out.top = static_cast<int32_t>(std::floor(min_y - r));
  out.width = static_cast<uint32_t>(std::ceil(max_x + r)) - static_cast<uint32_t>(out.left);
  out.height = static_cast<uint32_t>(std::ceil(max_y + r)) - static_cast<uint32_t>(out.top);
  out.coverage.assign(static_cast<size_t>(out.width) * out.height, 0);
  constexpr int SAMPLES = 4;  // per side: 16 samples a pixel
  for (const Point& c : centres) {
    const float cx = c.x * scale - static_cast<float>(out.left);
    const float cy = c.y * scale - static_cast<float>(out.top);
    const auto first_x = static_cast<uint32_t>(std::max(0.0f, std::floor(cx - r)));
    const auto first_y = static_cast<uint32_t>(std::max(0.0f, std::floor(cy - r)));
    const uint32_t end_x = std::min(out.width, static_cast<uint32_t>(std::ceil(cx + r)));
    const uint32_t end_y = std::min(out.height, static_cast<uint32_t>(std::ceil(cy + r)));
    for (uint32_t py = first_y; py < end_y; ++py) {
      for (uint32_t px = first_x; px < end_x; ++px) {
        int inside = 0;
        for (int sy = 0; sy < SAMPLES; ++sy) {
          for (int sx = 0; sx < SAMPLES; ++sx) {
            const float dx = static_cast<float>(px) + (static_cast<float>(sx) + 0.5f) / SAMPLES - cx;
            const float dy = static_cast<float>(py) + (static_cast<float>(sy) + 0.5f) / SAMPLES - cy;
            if (dx * dx + dy * dy <= r * r) ++inside;
          }
        }
        uint8_t& cell = out.coverage[static_cast<size_t>(py) * out.width + px];
        cell = static_cast<uint8_t>(
            std::min(255, cell + (inside * 255 + SAMPLES * SAMPLES / 2) / (SAMPLES * SAMPLES)));
      }
    }
  }
  return out;
}

uint32_t image_pixels(float dips, float dpi) {
  const double value = std::round(static_cast<double>(dips) * dpi / 96.0);
  if (!(value >= 1.0)) return 1;  // NaN, zero and negative sizes
  if (value >= 4294967295.0) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(value);
}

// ---- DrawContext -------------------------------------------------------------------------

void DrawContext::reset_frame_state() {
  pop_all_clips();
  offset_x = 0.0f;
  offset_y = 0.0f;
  opacity = 1.0f;
}

void DrawContext::pop_all_clips() {
  while (clip_depth_ > 0) pop_clip();
}

void DrawContext::fill_round_rect(const Rect& rect, float radius, const Color& color) {
  if (invisible()) return;
  surface_->fill_round_rect(at(rect), std::max(0.0f, radius), faded(color));
}

void DrawContext::stroke_round_rect(const Rect& rect, float radius, float width,
                                    const Color& color) {
  if (invisible()) return;
  const InsetStroke inset = inset_stroke(rect, radius, width);
  surface_->draw_round_rect(at(inset.rect), inset.radius, width, faded(color));
}

void DrawContext::fill_circle(float cx, float cy, float radius, const Color& color) {
  if (invisible()) return;
  surface_->fill_circle(at(cx, cy), radius, faded(color));
}

void DrawContext::fill_circles(std::span<const Point> centres, float radius,
                               const Color& color) {
  if (invisible()) return;
  if (offset_x == 0.0f && offset_y == 0.0f) {
    surface_->fill_circles(centres, radius, faded(color));
    return;
  }
  std::vector<Point> moved(centres.begin(), centres.end());
  for (Point& p : moved) p = at(p.x, p.y);
  surface_->fill_circles(moved, radius, faded(color));
}

void DrawContext::stroke_circle(float cx, float cy, float radius, float width,
                                const Color& color) {
  if (invisible()) return;
  surface_->draw_circle(at(cx, cy), radius, width, faded(color));
}

void DrawContext::line(float x0, float y0, float x1, float y1, float width, const Color& color) {
  if (invisible()) return;
  surface_->draw_line(at(x0, y0), at(x1, y1), width, faded(color));
}

void DrawContext::polyline(std::span<const Point> points, float width, const Color& color) {
  if (invisible()) return;
  if (points.size() < 2) return;
  std::vector<Point> shifted;
  shifted.reserve(points.size());
  for (const Point& p : points) shifted.push_back(at(p.x, p.y));
  surface_->draw_polyline(shifted, width, faded(color));
}

void DrawContext::arc(float cx, float cy, float radius, float start, float sweep, float width,
                      const Color& color) {
  if (invisible()) return;
  ArcFigure figure = arc_figure(cx, cy, radius, start, sweep);
  figure.start = at(figure.start.x, figure.start.y);
  figure.end = at(figure.end.x, figure.end.y);
  surface_->draw_arc(figure, width, faded(color));
}

void DrawContext::fill_gradient(const Rect& rect, float radius, float angle_degrees,
                                std::span<const GradientStop> stops) {
  if (invisible()) return;
  const Rect shifted = at(rect);
  const GradientLine g = gradient_line(shifted, angle_degrees);
  std::vector<GradientStop> faded_stops(stops.begin(), stops.end());
  for (GradientStop& s : faded_stops) s.color = faded(s.color);
  surface_->fill_linear_gradient(shifted, std::max(0.0f, radius), g.start, g.end, faded_stops);
}

void DrawContext::fill_radial_gradient(const Rect& rect, float cx, float cy, float rx, float ry,
                                       std::span<const GradientStop> stops) {
  if (invisible()) return;
  std::vector<GradientStop> faded_stops(stops.begin(), stops.end());
  for (GradientStop& s : faded_stops) s.color = faded(s.color);
  surface_->fill_radial_gradient(at(rect), at(cx, cy), rx, ry, faded_stops);
}

void DrawContext::push_clip(const Rect& rect) {
  surface_->push_clip(at(rect));
  ++clip_depth_;
}

void DrawContext::pop_clip() {
  if (clip_depth_ == 0) return;
  surface_->pop_clip();
  --clip_depth_;
}

void DrawContext::shadow(const Rect& rect, float radius, float dy, float spread,
                         const Color& color) {
  for (const RoundRectFill& layer : shadow_layers(rect, radius, dy, spread, color)) {
    fill_round_rect(layer.rect, layer.radius, layer.color);
  }
}

void DrawContext::check_mark(float x, float y, float size, float progress, float width) {
  const CheckMarkPoints mark = check_mark_points(x, y, size, progress);
  polyline(std::span<const Point>(mark.points.data(), static_cast<size_t>(mark.count)), width,
           WHITE);
}

void DrawContext::focus_ring(const Rect& rect, float radius, bool focused) {
  if (!focused) return;
  stroke_round_rect(rect.grown(FOCUS_RING_GAP), radius + FOCUS_RING_GAP, FOCUS_RING_WIDTH,
                    FOCUS_RING_COLOR);
}

void DrawContext::result_badge(bool success, float cy, float t) {
  constexpr float cx = 210.0f;
  const Color main = success ? SUCCESS : DANGER;
  const Color from = success ? SUCCESS_LIGHT : DANGER_LIGHT;
  const Color white = WHITE;

  const float s = ease_out_back(clamp01(t / 0.45f));
  const float l = clamp01((t - 0.25f) / 0.75f);
  if (l > 0.0f && l < 1.0f) {
    const float k = 1.0f - l;
    stroke_circle(cx, cy, 38.0f + 22.0f * (1.0f - k * k * k), 2.0f, with_alpha(main, 0.35f * k));
  }
  fill_circle(cx, cy, 40.0f * s, white);
  const float m = 34.0f * s;
  const Rect disc{cx - m, cy - m, 2.0f * m, 2.0f * m};
  shadow(disc, m, 6.0f, 10.0f, with_alpha(main, 0.28f));
  fill_gradient(disc, m, 135.0f, {GradientStop{from, 0.0f}, GradientStop{main, 1.0f}});

  const float glyph_input = (t - 0.3f) / 0.45f;
  const float u = ease_out_cubic(clamp01(glyph_input));
  if (success) {
    check_mark(cx, cy + 1.5f, 12.0f, u, 4.0f);
  } else if (glyph_input > 0.0f) {
    line(cx, cy - 13.0f, cx, cy - 13.0f + 16.0f * u, 4.2f, white);
    fill_circle(cx, cy + 12.0f, 2.6f * u, white);
  }
}

void DrawContext::draw_png(std::string_view name, std::span<const uint8_t> png,
                           const Rect& rect) {
  if (invisible()) return;
  surface_->draw_bitmap(name, png, at(rect), opacity);
}

void DrawContext::draw_png(std::string_view name, std::span<const uint8_t> png, const Rect& rect,
                           float decode_width, float decode_height) {
  if (invisible()) return;
  surface_->draw_bitmap_scaled(name, png, at(rect), decode_width, decode_height, opacity);
}

void DrawContext::draw_text(const TextStyle& style, const Rect& rect) {
  if (invisible()) return;
  TextStyle faded_style = style;
  faded_style.color = faded(style.color);
  surface_->draw_text(faded_style, at(rect));
}

TextSize DrawContext::measure_text(const TextStyle& style, float max_width) {
  return surface_->measure_text(style, max_width);
}

}  // namespace vl
