#pragma once
// The drawing interface that pages and widgets draw through.
//
// Two layers:
//  - DrawSurface: the few low-level calls a device executes (Direct2D in the product, a
//    recorder in the native tests). Everything it receives is final: the offset is already
//    added to every coordinate and the opacity already multiplied into every alpha.
//  - DrawContext: the primitives the pages call. It holds the frame's offset and opacity and
//    turns each primitive into surface calls by the exact geometry and colour rules (gradient
//    end points for an angle, shadow layers, stroke insetting, check-mark lengths, focus ring).
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "gfx/geometry.h"
#include "gfx/palette.h"
#include "gfx/text_style.h"

namespace vl {

struct GradientStop {
  Color color;
  float position = 0.0f;  // 0..1 along the gradient
  bool operator==(const GradientStop&) const = default;
};

// A circular arc as a path figure: begins at `start`, one arc segment to `end` with both radii
// `radius`, rotation 0, always clockwise on screen; `large` selects D2D1_ARC_SIZE_LARGE.
struct ArcFigure {
  Point start;
  Point end;
  float radius = 0.0f;
  bool large = false;
  bool operator==(const ArcFigure&) const = default;
};

class DrawSurface {
 public:
  virtual ~DrawSurface() = default;

  // FillRoundedRectangle with radiusX = radiusY = radius (radius >= 0).
  virtual void fill_round_rect(const Rect& rect, float radius, const Color& color) = 0;
  // DrawRoundedRectangle exactly as given (the stroke is centred on the rectangle's edge),
  // no stroke style.
  virtual void draw_round_rect(const Rect& rect, float radius, float width,
                               const Color& color) = 0;
  // FillEllipse with both radii equal.
  virtual void fill_circle(Point centre, float radius, const Color& color) = 0;
  // Circles of one radius and colour that do not overlap, as fill_circle draws each. A surface
  // may draw them as one figure: many small ellipses cost a tessellation each on some systems.
  virtual void fill_circles(std::span<const Point> centres, float radius, const Color& color) {
    for (const Point& centre : centres) fill_circle(centre, radius, color);
  }
  // DrawEllipse with both radii equal, no stroke style.
  virtual void draw_circle(Point centre, float radius, float width, const Color& color) = 0;
  // DrawLine with the shared round stroke style.
  virtual void draw_line(Point from, Point to, float width, const Color& color) = 0;
  // Path geometry: one hollow, open figure through the points (at least two), drawn with the
  // round stroke style.
  virtual void draw_polyline(std::span<const Point> points, float width, const Color& color) = 0;
  // Path geometry with one arc segment, hollow and open, round stroke style.
  virtual void draw_arc(const ArcFigure& arc, float width, const Color& color) = 0;
  // Linear gradient brush from `start` to `end` (stops with gamma 2.2, clamp), then
  // FillRoundedRectangle when radius > 0, else FillRectangle.
  virtual void fill_linear_gradient(const Rect& rect, float radius, Point start, Point end,
                                    std::span<const GradientStop> stops) = 0;
  // Radial gradient brush centred at `centre` (no origin offset) with the two radii (stops with
  // gamma 2.2, clamp), then FillRectangle of `rect`. A brush that cannot be made skips the fill.
  virtual void fill_radial_gradient(const Rect& rect, Point centre, float radius_x,
                                    float radius_y, std::span<const GradientStop> stops) = 0;
  // PushAxisAlignedClip (per-primitive antialiasing) / PopAxisAlignedClip; always paired.
  virtual void push_clip(const Rect& rect) = 0;
  virtual void pop_clip() = 0;
  // The named image from the bitmap cache, or decoded from `png` at the rectangle's pixel
  // size for the DPI; DrawBitmap into `rect` with this opacity, linear interpolation.
  virtual void draw_bitmap(std::string_view name, std::span<const uint8_t> png, const Rect& rect,
                           float opacity) = 0;
  // The same image decoded for `decode_width` x `decode_height` DIPs and drawn scaled into
  // `rect`: an image whose size animates is decoded once, at the size it settles at. A surface
  // that cannot scale decodes at the rectangle's size.
  virtual void draw_bitmap_scaled(std::string_view name, std::span<const uint8_t> png,
                                  const Rect& rect, float decode_width, float decode_height,
                                  float opacity) {
    (void)decode_width;
    (void)decode_height;
    draw_bitmap(name, png, rect, opacity);
  }
  // Lays the text out by `draw_layout_box`, places it by `text_origin` and draws it in the
  // style's colour (whose alpha already carries the opacity).
  virtual void draw_text(const TextStyle& style, const Rect& rect) = 0;
  // Width including trailing white space and height of the text laid out by
  // `measure_layout_box(max_width)`; (0, 0) when no layout can be made.
  virtual TextSize measure_text(const TextStyle& style, float max_width) = 0;
};

// Easing of composite animations.
float ease_out_back(float x);   // 1 + 2.70158 (x - 1)^3 + 1.70158 (x - 1)^2
float ease_out_cubic(float x);  // 1 - (1 - x)^3

// ---- geometry rules, as plain values ------------------------------------------------------
struct GradientLine {
  Point start;
  Point end;
};
// CSS convention: 0 degrees runs upwards, 90 to the right, 135 to the bottom right, 180 down;
// the line passes through the rectangle's centre with half length (|sin a| w + |cos a| h) / 2.
GradientLine gradient_line(const Rect& rect, float angle_degrees);

struct RoundRectFill {
  Rect rect;
  float radius = 0.0f;
  Color color;
  bool operator==(const RoundRectFill&) const = default;
};
inline constexpr int SHADOW_LAYERS = 8;
// Widest and faintest layer first.
std::array<RoundRectFill, SHADOW_LAYERS> shadow_layers(const Rect& rect, float radius, float dy,
                                                       float spread, const Color& color);

// The stroke of stroke_round_rect lies wholly inside the rectangle.
struct InsetStroke {
  Rect rect;
  float radius = 0.0f;
};
InsetStroke inset_stroke(const Rect& rect, float radius, float width);

// The visible points of a check mark at (x, y), size k, progress p (2 or 3 points).
struct CheckMarkPoints {
  std::array<Point, 3> points;
  int count = 2;
};
CheckMarkPoints check_mark_points(float x, float y, float size, float progress);

ArcFigure arc_figure(float cx, float cy, float radius, float start, float sweep);

// Circles rasterised at a DPI: each pixel's share covered by a circle (0..255, sampled on a
// regular sub-pixel grid), in a block of whole device pixels whose top-left corner is `left`,
// `top` (pixels) and which holds every circle. Circles must not overlap.
struct CircleRaster {
  int32_t left = 0;
  int32_t top = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> coverage;  // width * height, row by row
};
CircleRaster rasterize_circles(std::span<const Point> centres, float radius, float dpi);

// The pixel size an image of `dips` is decoded at: dips × dpi / 96, rounded half away from
// zero, saturated to u32, at least 1.
uint32_t image_pixels(float dips, float dpi);

// The rectangle a focus ring is stroked on, and its radius.
inline constexpr float FOCUS_RING_GAP = 3.5f;
inline constexpr float FOCUS_RING_WIDTH = 2.0f;
inline constexpr Color FOCUS_RING_COLOR = with_alpha(ICON_TILE, 0.7f);

// ---- the primitives ----------------------------------------------------------------------
class DrawContext {
 public:
  explicit DrawContext(DrawSurface& surface) : surface_(&surface) {}

  // Added to every coordinate of every primitive, text and image; 0 at the start of a frame.
  float offset_x = 0.0f;
  float offset_y = 0.0f;
  // Multiplied into the alpha of every colour, gradient stop and image; 1 at a frame's start.
  // At 0 (or NaN) nothing is drawn: no primitive, text or image reaches the surface, so a page
  // fading in lays out no text on its first frame. Clips and measuring still do.
  float opacity = 1.0f;

  // Offset 0, opacity 1, and any clip left pushed is popped (call it when a frame starts).
  void reset_frame_state();
  // Pops every clip still pushed (call it before EndDraw: Direct2D needs the pairs closed).
  void pop_all_clips();

  void fill_round_rect(const Rect& rect, float radius, const Color& color);
  // Stroke inset by width / 2 on every side, radius max(0, radius - width / 2).
  void stroke_round_rect(const Rect& rect, float radius, float width, const Color& color);
  void fill_circle(float cx, float cy, float radius, const Color& color);
  // Circles that do not overlap, one radius and colour (a dot pattern).
  void fill_circles(std::span<const Point> centres, float radius, const Color& color);
  void stroke_circle(float cx, float cy, float radius, float width, const Color& color);
  void line(float x0, float y0, float x1, float y1, float width, const Color& color);
  // Fewer than two points draw nothing.
  void polyline(std::span<const Point> points, float width, const Color& color);
  void polyline(std::initializer_list<Point> points, float width, const Color& color) {
    polyline(std::span<const Point>(points.begin(), points.size()), width, color);
  }
  // Angle 0 points right, angles grow clockwise on screen; the sweep is drawn clockwise.
  void arc(float cx, float cy, float radius, float start, float sweep, float width,
           const Color& color);
  // Linear gradient at a CSS angle in degrees; radius <= 0 fills a plain rectangle.
  void fill_gradient(const Rect& rect, float radius, float angle_degrees,
                     std::span<const GradientStop> stops);
  void fill_gradient(const Rect& rect, float radius, float angle_degrees,
                     std::initializer_list<GradientStop> stops) {
    fill_gradient(rect, radius, angle_degrees,
                  std::span<const GradientStop>(stops.begin(), stops.size()));
  }
  // Radial gradient centred at (cx, cy) with radii (rx, ry), filling `rect`.
  void fill_radial_gradient(const Rect& rect, float cx, float cy, float rx, float ry,
                            std::span<const GradientStop> stops);
  void fill_radial_gradient(const Rect& rect, float cx, float cy, float rx, float ry,
                            std::initializer_list<GradientStop> stops) {
    fill_radial_gradient(rect, cx, cy, rx, ry,
                         std::span<const GradientStop>(stops.begin(), stops.size()));
  }
  // Axis-aligned clip; every push needs its pop (a pop without a push does nothing).
  void push_clip(const Rect& rect);
  void pop_clip();
  int clip_depth() const { return clip_depth_; }
  // Eight layered round rectangles: a soft shadow `dy` below, `spread` wide.
  void shadow(const Rect& rect, float radius, float dy, float spread, const Color& color);
  // White mark P0 (x - k, y), P1 (x - 0.3k, y + 0.7k), P2 (x + k, y - 0.75k), drawn up to
  // progress p of its length.
  void check_mark(float x, float y, float size, float progress, float width);
  // Nothing unless focused; a ring 3.5 outside the rectangle.
  void focus_ring(const Rect& rect, float radius, bool focused);
  // The success or failure badge of the result pages, centred at (210, cy), t seconds in.
  void result_badge(bool success, float cy, float t);
  void draw_png(std::string_view name, std::span<const uint8_t> png, const Rect& rect);
  // Decoded for `decode_width` x `decode_height` DIPs, drawn scaled into `rect`.
  void draw_png(std::string_view name, std::span<const uint8_t> png, const Rect& rect,
                float decode_width, float decode_height);
  void draw_text(const TextStyle& style, const Rect& rect);
  TextSize measure_text(const TextStyle& style, float max_width);

  DrawSurface& surface() { return *surface_; }

 private:
  Point at(float x, float y) const { return Point{x + offset_x, y + offset_y}; }
  Rect at(const Rect& r) const { return r.moved(offset_x, offset_y); }
  bool invisible() const { return !(opacity > 0.0f); }
  Color faded(Color c) const {
    c.a *= opacity;
    return c;
  }

  DrawSurface* surface_;
  int clip_depth_ = 0;
};

}  // namespace vl
