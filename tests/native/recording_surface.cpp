#include "native/recording_surface.h"

#include <algorithm>

#include "sys/text.h"

namespace vl {

const char* draw_op_name(DrawOp op) {
  switch (op) {
    case DrawOp::FillRoundRect: return "fill_round_rect";
    case DrawOp::DrawRoundRect: return "draw_round_rect";
    case DrawOp::FillCircle: return "fill_circle";
    case DrawOp::DrawCircle: return "draw_circle";
    case DrawOp::Line: return "line";
    case DrawOp::Polyline: return "polyline";
    case DrawOp::Arc: return "arc";
    case DrawOp::LinearGradient: return "linear_gradient";
    case DrawOp::RadialGradient: return "radial_gradient";
    case DrawOp::PushClip: return "push_clip";
    case DrawOp::PopClip: return "pop_clip";
    case DrawOp::Bitmap: return "bitmap";
    case DrawOp::Text: return "text";
  }
  return "?";
}

namespace {

// Code points of a line; invalid bytes count one each.
size_t code_points(std::string_view text) {
  size_t count = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    next_code_point(text, pos);
    ++count;
  }
  return count;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// Greedy word wrap of one paragraph: the number of lines and the widest line in code points.
void wrap_paragraph(std::string_view paragraph, size_t fit, size_t& lines, size_t& widest) {
  size_t line = 0;
  bool empty = true;
  for (std::string_view word : split(paragraph, ' ')) {
    const size_t n = code_points(word);
    if (!empty && line + 1 + n > fit) {
      widest = std::max(widest, line);
      ++lines;
      line = n;
    } else {
      line += empty ? n : n + 1;
    }
    empty = false;
  }
  widest = std::max(widest, line);
  ++lines;
}

}  // namespace

TextSize RecordingSurface::measure(const TextStyle& style, float max_width) {
  const float step = advance(style);
  const float line = style.line_height ? *style.line_height : 1.25f * style.size;
  if (!style.wrap) {
    return TextSize{step * static_cast<float>(code_points(style.text)), line};
  }
  const float box = measure_layout_box(max_width).max_width;
  const size_t fit = step > 0.0f ? static_cast<size_t>(box / step) : SIZE_MAX;
  size_t lines = 0;
  size_t widest = 0;
  for (std::string_view paragraph : split(style.text, '\n')) {
    wrap_paragraph(paragraph, fit, lines, widest);
  }
  return TextSize{step * static_cast<float>(widest), line * static_cast<float>(lines)};
}

std::vector<DrawCall> RecordingSurface::of(DrawOp op) const {
  std::vector<DrawCall> found;
  for (const DrawCall& call : calls) {
    if (call.op == op) found.push_back(call);
  }
  return found;
}

std::vector<std::string> RecordingSurface::texts() const {
  std::vector<std::string> found;
  for (const DrawCall& call : calls) {
    if (call.op == DrawOp::Text) found.push_back(call.text.text);
  }
  return found;
}

DrawCall& RecordingSurface::add(DrawOp op) {
  DrawCall& call = calls.emplace_back();
  call.op = op;
  if (observed_) {
    call.context_opacity = observed_->opacity;
    call.context_offset_x = observed_->offset_x;
    call.context_offset_y = observed_->offset_y;
  }
  if (targets_) call.targets_before = targets_->size();
  return call;
}

void RecordingSurface::fill_round_rect(const Rect& rect, float radius, const Color& color) {
  DrawCall& call = add(DrawOp::FillRoundRect);
  call.rect = rect;
  call.radius = radius;
  call.color = color;
}

void RecordingSurface::draw_round_rect(const Rect& rect, float radius, float width,
                                       const Color& color) {
  DrawCall& call = add(DrawOp::DrawRoundRect);
  call.rect = rect;
  call.radius = radius;
  call.width = width;
  call.color = color;
}

void RecordingSurface::fill_circle(Point centre, float radius, const Color& color) {
  DrawCall& call = add(DrawOp::FillCircle);
  call.points = {centre};
  call.radius = radius;
  call.color = color;
}

void RecordingSurface::draw_circle(Point centre, float radius, float width, const Color& color) {
  DrawCall& call = add(DrawOp::DrawCircle);
  call.points = {centre};
  call.radius = radius;
  call.width = width;
  call.color = color;
}

void RecordingSurface::draw_line(Point from, Point to, float width, const Color& color) {
  DrawCall& call = add(DrawOp::Line);
  call.points = {from, to};
  call.width = width;
  call.color = color;
}

void RecordingSurface::draw_polyline(std::span<const Point> points, float width,
                                     const Color& color) {
  DrawCall& call = add(DrawOp::Polyline);
  call.points.assign(points.begin(), points.end());
  call.width = width;
  call.color = color;
}

void RecordingSurface::draw_arc(const ArcFigure& arc, float width, const Color& color) {
  DrawCall& call = add(DrawOp::Arc);
  call.points = {arc.start, arc.end};
  call.radius = arc.radius;
  call.large_arc = arc.large;
  call.width = width;
  call.color = color;
}

void RecordingSurface::fill_linear_gradient(const Rect& rect, float radius, Point start,
                                            Point end, std::span<const GradientStop> stops) {
  DrawCall& call = add(DrawOp::LinearGradient);
  call.rect = rect;
  call.radius = radius;
  call.points = {start, end};
  call.stops.assign(stops.begin(), stops.end());
}

void RecordingSurface::fill_radial_gradient(const Rect& rect, Point centre, float radius_x,
                                            float radius_y, std::span<const GradientStop> stops) {
  DrawCall& call = add(DrawOp::RadialGradient);
  call.rect = rect;
  call.points = {centre};
  call.radius_x = radius_x;
  call.radius_y = radius_y;
  call.stops.assign(stops.begin(), stops.end());
}

void RecordingSurface::push_clip(const Rect& rect) { add(DrawOp::PushClip).rect = rect; }

void RecordingSurface::pop_clip() { add(DrawOp::PopClip); }

void RecordingSurface::draw_bitmap(std::string_view name, std::span<const uint8_t> png,
                                   const Rect& rect, float opacity) {
  draw_bitmap_scaled(name, png, rect, rect.w, rect.h, opacity);
}

void RecordingSurface::draw_bitmap_scaled(std::string_view name, std::span<const uint8_t> png,
                                          const Rect& rect, float decode_width,
                                          float decode_height, float opacity) {
  DrawCall& call = add(DrawOp::Bitmap);
  call.name = std::string(name);
  call.png_size = png.size();
  call.rect = rect;
  call.image_opacity = opacity;
  call.decode_width = decode_width;
  call.decode_height = decode_height;
}

void RecordingSurface::draw_text(const TextStyle& style, const Rect& rect) {
  DrawCall& call = add(DrawOp::Text);
  call.rect = rect;
  call.color = style.color;
  RecordedText& t = call.text;
  t.text = std::string(style.text);
  t.line_height = style.line_height;
  t.size = style.size;
  t.weight = style.weight;
  t.display = style.display;
  t.letter_spacing = style.letter_spacing;
  t.wrap = style.wrap;
  t.align = style.align;
  const LayoutBox box = draw_layout_box(style, rect);
  t.origin = text_origin(style, rect, measure(style, box.max_width).height);
}

TextSize RecordingSurface::measure_text(const TextStyle& style, float max_width) {
  return measure(style, max_width);
}

RecordingHost::FrameResult RecordingHost::frame(float dt,
                                                const std::function<void(FrameContext&)>& paint,
                                                float width, float height) {
  surface_.clear();
  begin_frame(input_);
  draw_.reset_frame_state();
  time_ += dt;
  FrameContext frame(draw_, input_);
  frame.width = width;
  frame.height = height;
  frame.time = time_;
  frame.dt = std::min(dt, MAX_FRAME_DT);
  paint(frame);
  draw_.pop_all_clips();
  FrameResult result;
  result.animate = frame.animate;
  result.min_interval = frame.min_frame_interval;
  result.close = frame.close;
  result.hover_changed = end_frame(input_);
  return result;
}

}  // namespace vl
