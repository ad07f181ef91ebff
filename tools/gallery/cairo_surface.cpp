#include "cairo_surface.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gallery {
namespace {

using vl::Color;
using vl::GradientStop;
using vl::Point;
using vl::Rect;

// The Wine prefixes of the tests draw every "Segoe UI" family with this font; the pictures use
// it too, so that both renders can be compared and show the same glyphs.
constexpr const char* STAND_IN_FAMILY = "DejaVu Sans";
constexpr const char* SEGOE_FAMILIES[] = {"Segoe UI", "Segoe UI Variable Text",
                                          "Segoe UI Variable Display"};

// Colours are interpolated premultiplied; where they change alpha, this many Cairo stops per
// segment keep the difference from Cairo's own interpolation below one level of 255.
constexpr int STOPS_PER_ALPHA_SEGMENT = 24;

struct Premultiplied {
  double r, g, b, a;
};

Premultiplied premultiply(const Color& c) {
  return {double{c.r} * c.a, double{c.g} * c.a, double{c.b} * c.a, c.a};
}

// Straight alpha again; a transparent sample takes the colour of the segment's other end so
// that Cairo's interpolation towards it does not pass through black.
Color straight(const Premultiplied& p, const Color& fallback) {
  if (p.a <= 0.0) return vl::with_alpha(fallback, 0.0f);
  return Color{static_cast<float>(p.r / p.a), static_cast<float>(p.g / p.a),
               static_cast<float>(p.b / p.a), static_cast<float>(p.a)};
}

Rect normalised(Rect r) {
  if (r.w < 0) r = Rect{r.x + r.w, r.y, -r.w, r.h};
  if (r.h < 0) r = Rect{r.x, r.y + r.h, r.w, -r.h};
  return r;
}

Rect square_around(Point p, float half) { return Rect{p.x - half, p.y - half, 2 * half, 2 * half}; }

bool any_translucent(std::span<const GradientStop> stops) {
  return std::any_of(stops.begin(), stops.end(),
                     [](const GradientStop& s) { return s.color.a < 1.0f; });
}

cairo_status_t read_span(void* closure, unsigned char* data, unsigned int length) {
  auto* rest = static_cast<std::span<const uint8_t>*>(closure);
  if (rest->size() < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, rest->data(), length);
  *rest = rest->subspan(length);
  return CAIRO_STATUS_SUCCESS;
}

bool has_family(PangoFontMap* map, const char* name) {
  PangoFontFamily** families = nullptr;
  int count = 0;
  pango_font_map_list_families(map, &families, &count);
  bool found = false;
  for (int i = 0; i < count && !found; ++i) {
    found = g_ascii_strcasecmp(pango_font_family_get_name(families[i]), name) == 0;
  }
  g_free(families);
  return found;
}

}  // namespace

const char* wine_fault_name(WineFault fault) {
  switch (fault) {
    case WineFault::Arc: return "arc";
    case WineFault::StrokeStyle: return "stroke style";
    case WineFault::ImageScaling: return "image scaling";
  }
  return "?";
}

std::vector<RampStop> ramp_stops(std::span<const GradientStop> given) {
  std::vector<GradientStop> stops(given.begin(), given.end());
  std::stable_sort(stops.begin(), stops.end(), [](const GradientStop& a, const GradientStop& b) {
    return a.position < b.position;
  });
  std::vector<RampStop> ramp;
  if (stops.empty()) return ramp;
  if (stops.front().position > 0.0f) ramp.push_back({0.0, stops.front().color});
  for (size_t i = 0; i + 1 < stops.size(); ++i) {
    const GradientStop& from = stops[i];
    const GradientStop& to = stops[i + 1];
    const double p0 = from.position;
    const double p1 = to.position;
    if (!(p1 > p0) || p1 <= 0.0 || p0 >= 1.0) continue;  // empty or outside 0..1
    const double lo = std::max(p0, 0.0);
    const double hi = std::min(p1, 1.0);
    const int samples = from.color.a == to.color.a ? 1 : STOPS_PER_ALPHA_SEGMENT;
    const Premultiplied a = premultiply(from.color);
    const Premultiplied b = premultiply(to.color);
    for (int k = 0; k <= samples; ++k) {
      const double at = lo + (hi - lo) * k / samples;
      const double t = (at - p0) / (p1 - p0);
      const Premultiplied mix{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t,
                              a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
      ramp.push_back({at, straight(mix, t < 0.5 ? to.color : from.color)});
    }
  }
  if (stops.back().position < 1.0f) ramp.push_back({1.0, stops.back().color});
  // Every stop on one side of 0..1: that side's colour everywhere.
  if (ramp.size() == 1) ramp.push_back({1.0, ramp.front().color});
  return ramp;
}

// ---- resources ---------------------------------------------------------------------------

CairoResources::CairoResources() {
  font_map_ = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  if (FcConfig* config = FcInitLoadConfigAndFonts()) {
    std::string rules = "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">"
                        "<fontconfig>";
    for (const char* family : SEGOE_FAMILIES) {
      rules += std::string("<alias binding=\"same\"><family>") + family +
               "</family><prefer><family>" + STAND_IN_FAMILY + "</family></prefer></alias>";
    }
    rules += "</fontconfig>";
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(rules.c_str()),
                                   FcTrue);
    if (font_map_ != nullptr && PANGO_IS_FC_FONT_MAP(font_map_)) {
      pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(font_map_), config);
    }
    FcConfigDestroy(config);
  }
  families_ = vl::choose_font_families(font_map_ != nullptr &&
                                       has_family(font_map_, vl::VARIABLE_TEXT_FAMILY));
  if (font_map_ == nullptr) return;
  context_ = pango_font_map_create_context(font_map_);
  // DirectWrite lays text out at ideal widths and draws it with grayscale antialiasing.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context_, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context_, FALSE);
  pango_context_set_language(context_, pango_language_from_string(vl::TEXT_LOCALE));
}

CairoResources::~CairoResources() {
  for (auto& [key, image] : images_) cairo_surface_destroy(image.surface);
  if (context_ != nullptr) g_object_unref(context_);
  if (font_map_ != nullptr) g_object_unref(font_map_);
}

cairo_surface_t* CairoResources::image(std::string_view name, std::span<const uint8_t> png,
                                       uint32_t width, uint32_t height, bool* scaled) {
  ImageKey key{std::string(name), width, height};
  if (auto found = images_.find(key); found != images_.end()) {
    *scaled = found->second.scaled;
    return found->second.surface;
  }
  std::span<const uint8_t> rest = png;
  cairo_surface_t* decoded = cairo_image_surface_create_from_png_stream(read_span, &rest);
  if (cairo_surface_status(decoded) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(decoded);
    return nullptr;
  }
  // Scaled once to the exact pixel size with a filter that averages what it shrinks, as WIC's
  // high-quality scaler does; drawing then needs no further scaling.
  cairo_surface_t* result = cairo_image_surface_create(CAIRO_FORMAT_ARGB32,
                                                       static_cast<int>(width),
                                                       static_cast<int>(height));
  cairo_t* cr = cairo_create(result);
  cairo_scale(cr, static_cast<double>(width) / cairo_image_surface_get_width(decoded),
              static_cast<double>(height) / cairo_image_surface_get_height(decoded));
  cairo_set_source_surface(cr, decoded, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  *scaled = static_cast<uint32_t>(cairo_image_surface_get_width(decoded)) != width ||
            static_cast<uint32_t>(cairo_image_surface_get_height(decoded)) != height;
  cairo_surface_destroy(decoded);
  if (!ok) {
    cairo_surface_destroy(result);
    return nullptr;
  }
  images_.emplace(std::move(key), Image{result, *scaled});
  return result;
}

// ---- surface -----------------------------------------------------------------------------

struct CairoSurface::Layout {
  PangoLayout* layout = nullptr;
  struct Line {
    PangoLayoutLine* line;
    float x;         // from the layout's left edge, alignment included
    float baseline;  // from the layout's top
    float width;     // logical width, trailing white space included
  };
  std::vector<Line> lines;
  float height = 0.0f;
  ~Layout() {
    if (layout != nullptr) g_object_unref(layout);
  }
};

CairoSurface::CairoSurface(CairoResources& resources, int width, int height, float dpi)
    : resources_(resources), dpi_(dpi) {
  image_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, width),
                                      std::max(1, height));
  cr_ = cairo_create(image_);
  cairo_scale(cr_, dpi / 96.0, dpi / 96.0);
  mask_ = cairo_image_surface_create(CAIRO_FORMAT_A8, std::max(1, width), std::max(1, height));
  mask_cr_ = cairo_create(mask_);
  cairo_scale(mask_cr_, dpi / 96.0, dpi / 96.0);
}

CairoSurface::~CairoSurface() {
  cairo_destroy(mask_cr_);
  cairo_surface_destroy(mask_);
  cairo_destroy(cr_);
  cairo_surface_destroy(image_);
}

void CairoSurface::clear_notes() {
  wine_regions_.clear();
  text_boxes_.clear();
  cairo_save(mask_cr_);
  cairo_reset_clip(mask_cr_);
  cairo_set_operator(mask_cr_, CAIRO_OPERATOR_CLEAR);
  cairo_paint(mask_cr_);
  cairo_restore(mask_cr_);
}

vl::Status CairoSurface::write_wine_mask_png(const std::string& path) const {
  cairo_surface_flush(mask_);
  cairo_surface_t* picture = cairo_image_surface_create(
      CAIRO_FORMAT_RGB24, cairo_image_surface_get_width(mask_),
      cairo_image_surface_get_height(mask_));
  cairo_t* cr = cairo_create(picture);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_mask_surface(cr, mask_, 0, 0);
  cairo_destroy(cr);
  const cairo_status_t status = cairo_surface_write_to_png(picture, path.c_str());
  cairo_surface_destroy(picture);
  if (status != CAIRO_STATUS_SUCCESS) {
    return vl::fail("«" + path + "»: " + cairo_status_to_string(status));
  }
  return vl::Status::success();
}

vl::Status CairoSurface::status() const {
  const cairo_status_t status = cairo_status(cr_);
  if (status != CAIRO_STATUS_SUCCESS) return vl::fail(cairo_status_to_string(status));
  if (resources_.text_context() == nullptr) return vl::fail("no Pango font map");
  return vl::Status::success();
}

vl::Status CairoSurface::write_png(const std::string& path) const {
  cairo_surface_flush(image_);
  const cairo_status_t status = cairo_surface_write_to_png(image_, path.c_str());
  if (status != CAIRO_STATUS_SUCCESS) {
    return vl::fail("«" + path + "»: " + cairo_status_to_string(status));
  }
  return vl::Status::success();
}

void CairoSurface::note(WineFault fault, const Rect& rect) {
  const Rect r = normalised(rect);
  wine_regions_.push_back({fault, r});
  cairo_new_path(mask_cr_);
  cairo_rectangle(mask_cr_, r.x, r.y, r.w, r.h);
  cairo_set_operator(mask_cr_, CAIRO_OPERATOR_OVER);
  cairo_set_source_rgba(mask_cr_, 0, 0, 0, 1);
  cairo_fill(mask_cr_);
}

void CairoSurface::cover(float alpha, float stroke_width, bool round) {
  if (!(alpha > 0.0f)) return;
  cairo_path_t* path = cairo_copy_path(cr_);
  cairo_new_path(mask_cr_);
  cairo_append_path(mask_cr_, path);
  cairo_path_destroy(path);
  cairo_set_operator(mask_cr_, CAIRO_OPERATOR_DEST_OUT);
  cairo_set_source_rgba(mask_cr_, 0, 0, 0, std::min(alpha, 1.0f));
  if (stroke_width > 0.0f) {
    cairo_set_line_width(mask_cr_, stroke_width);
    cairo_set_line_cap(mask_cr_, round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(mask_cr_, round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
    cairo_stroke(mask_cr_);
  } else {
    cairo_fill(mask_cr_);
  }
}

void CairoSurface::set_color(const Color& c) { cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a); }

void CairoSurface::round_rect_path(const Rect& given, float radius) {
  const Rect r = normalised(given);
  const double k = std::clamp<double>(radius, 0.0, std::min(r.w, r.h) / 2.0);
  cairo_new_path(cr_);
  if (k <= 0.0) {
    cairo_rectangle(cr_, r.x, r.y, r.w, r.h);
    return;
  }
  const double pi = M_PI;
  cairo_arc(cr_, r.x + r.w - k, r.y + k, k, -pi / 2, 0);
  cairo_arc(cr_, r.x + r.w - k, r.y + r.h - k, k, 0, pi / 2);
  cairo_arc(cr_, r.x + k, r.y + r.h - k, k, pi / 2, pi);
  cairo_arc(cr_, r.x + k, r.y + k, k, pi, 3 * pi / 2);
  cairo_close_path(cr_);
}

void CairoSurface::fill_round_rect(const Rect& rect, float radius, const Color& color) {
  round_rect_path(rect, radius);
  cover(color.a);
  // A text an opaque fill hides (a page's under the prompt's card) is not compared: only its
  // cover shows.
  if (color.a >= 1.0f) {
    std::erase_if(text_boxes_, [this](const Rect& box) {
      for (double x : {box.x, box.x + box.w}) {
        for (double y : {box.y, box.y + box.h}) {
          if (!cairo_in_fill(cr_, x, y) || !cairo_in_clip(cr_, x, y)) return false;
        }
      }
      return true;
    });
  }
  set_color(color);
  cairo_fill(cr_);
}

void CairoSurface::draw_round_rect(const Rect& rect, float radius, float width,
                                   const Color& color) {
  // Direct2D's default stroke: flat caps, mitred joins, miter limit 10 (Cairo's defaults).
  round_rect_path(rect, radius);
  cover(color.a, width);
  set_color(color);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void CairoSurface::fill_circle(Point centre, float radius, const Color& color) {
  cairo_new_path(cr_);
  cairo_arc(cr_, centre.x, centre.y, std::max(0.0f, radius), 0, 2 * M_PI);
  cover(color.a);
  set_color(color);
  cairo_fill(cr_);
}

void CairoSurface::draw_circle(Point centre, float radius, float width, const Color& color) {
  cairo_new_path(cr_);
  cairo_arc(cr_, centre.x, centre.y, std::max(0.0f, radius), 0, 2 * M_PI);
  cover(color.a, width);
  set_color(color);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void CairoSurface::stroke_round(float width, const Color& color, bool covers) {
  if (covers) cover(color.a, width, true);
  cairo_save(cr_);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr_, width);
  set_color(color);
  cairo_stroke(cr_);
  cairo_restore(cr_);
}

void CairoSurface::draw_line(Point from, Point to, float width, const Color& color) {
  cairo_new_path(cr_);
  cairo_move_to(cr_, from.x, from.y);
  cairo_line_to(cr_, to.x, to.y);
  stroke_round(width, color);
  note(WineFault::StrokeStyle, square_around(from, width));
  note(WineFault::StrokeStyle, square_around(to, width));
}

void CairoSurface::draw_polyline(std::span<const Point> points, float width,
                                 const Color& color) {
  if (points.size() < 2) return;
  cairo_new_path(cr_);
  cairo_move_to(cr_, points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr_, points[i].x, points[i].y);
  stroke_round(width, color);
  for (const Point& p : points) note(WineFault::StrokeStyle, square_around(p, width));
}

void CairoSurface::draw_arc(const vl::ArcFigure& arc, float width, const Color& color) {
  // The centre of the clockwise arc of this radius from start to end, on the side the arc
  // size asks for (a large arc keeps the centre on the chord's other side).
  const double mx = (arc.start.x + arc.end.x) / 2.0;
  const double my = (arc.start.y + arc.end.y) / 2.0;
  const double dx = arc.end.x - arc.start.x;
  const double dy = arc.end.y - arc.start.y;
  const double chord = std::hypot(dx, dy);
  const double r = std::max<double>(arc.radius, chord / 2.0);
  const double h = std::sqrt(std::max(0.0, r * r - chord * chord / 4.0));
  const double side = arc.large ? -1.0 : 1.0;
  const double nx = chord > 0 ? -dy / chord : 0.0;
  const double ny = chord > 0 ? dx / chord : 0.0;
  const double cx = mx + side * h * nx;
  const double cy = my + side * h * ny;
  const double a0 = std::atan2(arc.start.y - cy, arc.start.x - cx);
  const double a1 = std::atan2(arc.end.y - cy, arc.end.x - cx);
  cairo_new_path(cr_);
  cairo_arc(cr_, cx, cy, r, a0, a1);  // angles grow clockwise on screen, as the sweep does
  stroke_round(width, color, false);  // Wine draws no arc: it covers nothing there
  const float reach = static_cast<float>(r) + width;
  note(WineFault::Arc, square_around(Point{static_cast<float>(cx), static_cast<float>(cy)},
                                     reach));
}

void CairoSurface::fill_with_stops(cairo_pattern_t* pattern,
                                   std::span<const GradientStop> stops) {
  for (const RampStop& s : ramp_stops(stops)) {
    cairo_pattern_add_color_stop_rgba(pattern, s.offset, s.color.r, s.color.g, s.color.b,
                                      s.color.a);
  }
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_set_source(cr_, pattern);
  cairo_fill(cr_);
  cairo_pattern_destroy(pattern);
}

void CairoSurface::fill_linear_gradient(const Rect& rect, float radius, Point start, Point end,
                                        std::span<const GradientStop> stops) {
  if (stops.empty()) return;
  round_rect_path(rect, radius);
  if (!any_translucent(stops)) cover(1.0f);
  fill_with_stops(cairo_pattern_create_linear(start.x, start.y, end.x, end.y), stops);
}

void CairoSurface::fill_radial_gradient(const Rect& rect, Point centre, float radius_x,
                                        float radius_y, std::span<const GradientStop> stops) {
  if (stops.empty() || !(radius_x > 0.0f) || !(radius_y > 0.0f)) return;
  round_rect_path(rect, 0.0f);
  if (!any_translucent(stops)) cover(1.0f);
  // A circle of radius_x in pattern space, squeezed vertically to radius_y on the page.
  cairo_pattern_t* pattern =
      cairo_pattern_create_radial(centre.x, centre.y, 0.0, centre.x, centre.y, radius_x);
  cairo_matrix_t matrix;
  cairo_matrix_init_translate(&matrix, centre.x, centre.y);
  cairo_matrix_scale(&matrix, 1.0, static_cast<double>(radius_x) / radius_y);
  cairo_matrix_translate(&matrix, -centre.x, -centre.y);
  cairo_pattern_set_matrix(pattern, &matrix);
  fill_with_stops(pattern, stops);
}

void CairoSurface::push_clip(const Rect& rect) {
  const Rect r = normalised(rect);
  for (cairo_t* cr : {cr_, mask_cr_}) {
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, r.x, r.y, r.w, r.h);
    cairo_clip(cr);
  }
}

void CairoSurface::pop_clip() {
  cairo_restore(cr_);
  cairo_restore(mask_cr_);
}

void CairoSurface::draw_bitmap(std::string_view name, std::span<const uint8_t> png,
                               const Rect& rect, float opacity) {
  draw_bitmap_scaled(name, png, rect, rect.w, rect.h, opacity);
}

void CairoSurface::draw_bitmap_scaled(std::string_view name, std::span<const uint8_t> png,
                                      const Rect& rect, float decode_width, float decode_height,
                                      float opacity) {
  if (png.empty()) return;
  const uint32_t width = vl::image_pixels(decode_width, dpi_);
  const uint32_t height = vl::image_pixels(decode_height, dpi_);
  bool scaled = false;
  cairo_surface_t* image = resources_.image(name, png, width, height, &scaled);
  if (image == nullptr) return;
  if (scaled) note(WineFault::ImageScaling, rect);
  // DrawBitmap into the rectangle with linear interpolation (none when the sizes match).
  cairo_save(cr_);
  round_rect_path(rect, 0.0f);
  cairo_clip(cr_);
  cairo_translate(cr_, rect.x, rect.y);
  cairo_scale(cr_, rect.w / width, rect.h / height);
  cairo_set_source_surface(cr_, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_BILINEAR);
  cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
  cairo_paint_with_alpha(cr_, opacity);
  cairo_restore(cr_);
}

std::unique_ptr<CairoSurface::Layout> CairoSurface::text_layout(const vl::TextStyle& style,
                                                                vl::LayoutBox box) {
  PangoContext* context = resources_.text_context();
  if (context == nullptr) return nullptr;
  pango_cairo_update_context(cr_, context);
  auto result = std::make_unique<Layout>();
  result->layout = pango_layout_new(context);
  PangoLayout* layout = result->layout;

  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, vl::family_for(resources_.families(), style).c_str());
  pango_font_description_set_weight(font,
                                    static_cast<PangoWeight>(vl::font_weight_value(style.weight)));
  pango_font_description_set_absolute_size(font, static_cast<double>(style.size) * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  pango_layout_set_text(layout, style.text.data(), static_cast<int>(style.text.size()));

  // DirectWrite adds the spacing after every character, Pango only between them: one spacing
  // less of room lays out, wraps and aligns the same, and each line is one spacing wider.
  const float spacing = style.letter_spacing;
  if (spacing != 0.0f) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_letter_spacing_new(pango_units_from_double(spacing)));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  pango_layout_set_width(layout, pango_units_from_double(std::max(1.0f, box.max_width - spacing)));
  if (style.wrap) {
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  } else {
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  }
  static constexpr PangoAlignment ALIGNMENTS[] = {PANGO_ALIGN_LEFT, PANGO_ALIGN_CENTER,
                                                  PANGO_ALIGN_RIGHT};
  pango_layout_set_alignment(layout, ALIGNMENTS[std::min<size_t>(static_cast<size_t>(style.align),
                                                                 2)]);

  const std::optional<vl::LineSpacing> uniform = vl::line_spacing(style);
  PangoLayoutIter* iter = pango_layout_get_iter(layout);
  do {
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(iter, nullptr, &logical);
    PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
    PangoRectangle own;
    pango_layout_line_get_extents(line, nullptr, &own);
    const float index = static_cast<float>(result->lines.size());
    const float baseline = uniform ? index * uniform->height + uniform->baseline
                                   : static_cast<float>(pango_units_to_double(
                                         pango_layout_iter_get_baseline(iter)));
    const bool empty = line->length == 0;
    result->lines.push_back({line, static_cast<float>(pango_units_to_double(logical.x - own.x)),
                             baseline,
                             static_cast<float>(pango_units_to_double(logical.width)) +
                                 (empty ? 0.0f : spacing)});
  } while (pango_layout_iter_next_line(iter));
  pango_layout_iter_free(iter);

  if (uniform) {
    result->height = static_cast<float>(result->lines.size()) * uniform->height;
  } else {
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    result->height = static_cast<float>(pango_units_to_double(logical.height));
  }
  return result;
}

void CairoSurface::draw_text(const vl::TextStyle& style, const Rect& rect) {
  std::unique_ptr<Layout> layout = text_layout(style, vl::draw_layout_box(style, rect));
  if (!layout) return;
  const Point origin = vl::text_origin(style, rect, layout->height);
  text_boxes_.push_back(Rect{origin.x, origin.y, rect.w, layout->height});
  set_color(style.color);
  for (const Layout::Line& line : layout->lines) {
    cairo_move_to(cr_, origin.x + line.x, origin.y + line.baseline);
    pango_cairo_show_layout_line(cr_, line.line);
  }
  cairo_new_path(cr_);
}

vl::TextSize CairoSurface::measure_text(const vl::TextStyle& style, float max_width) {
  std::unique_ptr<Layout> layout = text_layout(style, vl::measure_layout_box(max_width));
  if (!layout) return {};
  float width = 0.0f;
  for (const Layout::Line& line : layout->lines) width = std::max(width, line.width);
  return {width, layout->height};
}

}  // namespace gallery
