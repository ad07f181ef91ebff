#pragma once
// A DrawSurface that records every call with its geometry, colours, texts and the drawing
// context's opacity and offset at that moment, and measures text deterministically. Lets
// widget geometry, hit targets, focus order and animation be checked without a device.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/frame_context.h"

namespace vl {

enum class DrawOp {
  FillRoundRect,
  DrawRoundRect,
  FillCircle,
  DrawCircle,
  Line,
  Polyline,
  Arc,
  LinearGradient,
  RadialGradient,
  PushClip,
  PopClip,
  Bitmap,
  Text,
};

const char* draw_op_name(DrawOp op);

struct RecordedText {
  std::string text;
  std::optional<float> line_height;
  float size = 0.0f;
  uint8_t weight = 0;
  bool display = false;
  float letter_spacing = 0.0f;
  bool wrap = false;
  TextAlign align = TextAlign::Leading;
  Point origin;  // where the layout is placed in the rectangle, by the deterministic measure
};

// Fields unused by an operation keep their defaults.
struct DrawCall {
  DrawOp op = DrawOp::FillRoundRect;
  Rect rect;           // round rects, gradients, clips, bitmaps, texts
  float radius = 0.0f; // round rects, circles, arcs, linear gradient corners
  float width = 0.0f;  // stroke width
  Color color;         // final colour (text colour for texts)
  // Circles: the centre. Lines: from, to. Polylines: all points. Arcs: start, end.
  // Linear gradients: start, end. Radial gradients: the centre.
  std::vector<Point> points;
  bool large_arc = false;
  float radius_x = 0.0f;  // radial gradients
  float radius_y = 0.0f;
  std::vector<GradientStop> stops;  // alphas final
  std::string name;                 // bitmaps
  size_t png_size = 0;
  float image_opacity = 1.0f;
  float decode_width = 0.0f;  // bitmaps: the DIP size the image is decoded for
  float decode_height = 0.0f;
  RecordedText text;
  // The drawing context's state when the call was made (when it is being observed).
  float context_opacity = 1.0f;
  float context_offset_x = 0.0f;
  float context_offset_y = 0.0f;
  // How many hit targets the frame had registered when the call was made (when observed).
  size_t targets_before = 0;
};

class RecordingSurface : public DrawSurface {
 public:
  std::vector<DrawCall> calls;

  // Record this context's opacity and offset with each call.
  void observe(const DrawContext* context) { observed_ = context; }
  // Record with each call how many targets `building` held (the frame's targets so far).
  void observe_targets(const std::vector<HitTarget>* building) { targets_ = building; }
  void clear() { calls.clear(); }

  std::vector<DrawCall> of(DrawOp op) const;
  // The recorded texts in drawing order.
  std::vector<std::string> texts() const;

  // The deterministic measure: every code point advances 0.5 x size plus the letter spacing;
  // lines are size x 1.25 high (or the fixed line height); a wrapping text breaks greedily at
  // spaces (and at '\n') to fit `max_width`. Width includes trailing white space.
  static TextSize measure(const TextStyle& style, float max_width);
  static float advance(const TextStyle& style) { return 0.5f * style.size + style.letter_spacing; }

  void fill_round_rect(const Rect& rect, float radius, const Color& color) override;
  void draw_round_rect(const Rect& rect, float radius, float width, const Color& color) override;
  void fill_circle(Point centre, float radius, const Color& color) override;
  void draw_circle(Point centre, float radius, float width, const Color& color) override;
  void draw_line(Point from, Point to, float width, const Color& color) override;
  void draw_polyline(std::span<const Point> points, float width, const Color& color) override;
  void draw_arc(const ArcFigure& arc, float width, const Color& color) override;
  void fill_linear_gradient(const Rect& rect, float radius, Point start, Point end,
                            std::span<const GradientStop> stops) override;
  void fill_radial_gradient(const Rect& rect, Point centre, float radius_x, float radius_y,
                            std::span<const GradientStop> stops) override;
  void push_clip(const Rect& rect) override;
  void pop_clip() override;
  void draw_bitmap(std::string_view name, std::span<const uint8_t> png, const Rect& rect,
                   float opacity) override;
  void draw_bitmap_scaled(std::string_view name, std::span<const uint8_t> png, const Rect& rect,
                          float decode_width, float decode_height, float opacity) override;
  void draw_text(const TextStyle& style, const Rect& rect) override;
  TextSize measure_text(const TextStyle& style, float max_width) override;

 private:
  DrawCall& add(DrawOp op);
  const DrawContext* observed_ = nullptr;
  const std::vector<HitTarget>* targets_ = nullptr;
};

// Runs frames the way the window's frame cycle does, on a recording surface: begin the input
// frame, reset the context, paint, close clips, end the input frame (targets become active,
// the hover follows a still mouse). Each frame's calls replace the previous frame's.
class RecordingHost {
 public:
  RecordingHost() : draw_(surface_) { surface_.observe(&draw_); }
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;

  struct FrameResult {
    bool animate = false;
    float min_interval = 0.0f;
    bool close = false;
    bool hover_changed = false;
  };

  FrameResult frame(float dt, const std::function<void(FrameContext&)>& paint,
                    float width = 420.0f, float height = 580.0f);

  RecordingSurface& surface() { return surface_; }
  const std::vector<DrawCall>& calls() const { return surface_.calls; }
  InteractionState& input() { return input_; }
  DrawContext& draw() { return draw_; }
  float time() const { return time_; }

 private:
  RecordingSurface surface_;
  DrawContext draw_;
  InteractionState input_;
  float time_ = 0.0f;
};

}  // namespace vl
