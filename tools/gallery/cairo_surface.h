#pragma once
// The drawing interface on Cairo and Pango, for pictures of the pages drawn on Linux. It draws
// what the Direct2D surface draws: the same shapes, stroke styles, gradient stop semantics
// (premultiplied interpolation of the colours as given, clamped ends), text families, wrapping
// and trimming rules, and bitmaps decoded at the rectangle's pixel size for the DPI.
//
// It also keeps a mask of the pixels where Wine's Direct2D is known to draw something else, so
// that a comparison with a Wine render can leave them out: gradients whose stops are not opaque,
// arcs, the ends and joints of lines drawn with the round stroke style, and images scaled on
// decoding (Wine's WIC scaler picks the nearest pixel whatever the interpolation mode). What a
// later call paints over such a place takes the mark away in proportion to its alpha: the
// mask holds how much of the wrong colour still shows.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/draw_context.h"
#include "gfx/text_style.h"
#include "sys/result.h"

namespace gallery {

// What a pixel of a Wine render may get wrong here.
// (Translucent gradient stops are drawn right there too: the Direct2D surface rasterises them.)
enum class WineFault : uint8_t { Arc, StrokeStyle, ImageScaling };
const char* wine_fault_name(WineFault fault);

struct WineRegion {
  WineFault fault;
  vl::Rect rect;  // DIPs
};

// One colour of the ramp Cairo is given, straight alpha, at `offset` in 0..1.
struct RampStop {
  double offset = 0.0;
  vl::Color color;
};

// The stops as Cairo stops that draw what Direct2D draws with gamma 2.2 and clamping: stops
// sorted by position (stable), colours interpolated premultiplied, positions outside 0..1
// cutting the ramp where 0 and 1 fall, the first and last colours held beyond the ends.
std::vector<RampStop> ramp_stops(std::span<const vl::GradientStop> stops);

// Fonts, the text context and decoded images, shared by the surfaces of one run.
class CairoResources {
 public:
  CairoResources();
  ~CairoResources();
  CairoResources(const CairoResources&) = delete;
  CairoResources& operator=(const CairoResources&) = delete;

  const vl::FontFamilies& families() const { return families_; }
  PangoContext* text_context() const { return context_; }
  // The PNG decoded and scaled to width × height pixels; null when it cannot be decoded.
  // `scaled`: its own size was another.
  cairo_surface_t* image(std::string_view name, std::span<const uint8_t> png, uint32_t width,
                         uint32_t height, bool* scaled);
  int decoded_images() const { return static_cast<int>(images_.size()); }

 private:
  PangoFontMap* font_map_ = nullptr;
  PangoContext* context_ = nullptr;
  vl::FontFamilies families_;
  struct ImageKey {
    std::string name;
    uint32_t width;
    uint32_t height;
    auto operator<=>(const ImageKey&) const = default;
  };
  struct Image {
    cairo_surface_t* surface;
    bool scaled;
  };
  std::map<ImageKey, Image> images_;
};

class CairoSurface final : public vl::DrawSurface {
 public:
  // An ARGB image of width × height pixels drawn at `dpi` (coordinates stay in DIPs).
  CairoSurface(CairoResources& resources, int width, int height, float dpi);
  ~CairoSurface() override;
  CairoSurface(const CairoSurface&) = delete;
  CairoSurface& operator=(const CairoSurface&) = delete;

  // Cairo's own failure (out of memory, an invalid matrix from a NaN...), if any.
  vl::Status status() const;
  vl::Status write_png(const std::string& path) const;
  cairo_surface_t* image() const { return image_; }

  const std::vector<WineRegion>& wine_regions() const { return wine_regions_; }
  // How much of a wrong colour shows at each pixel, 0..255 (an 8-bit alpha image).
  cairo_surface_t* wine_mask() const { return mask_; }
  // The mask as a picture: black where a wrong colour shows fully, white where none does.
  vl::Status write_wine_mask_png(const std::string& path) const;
  // Where texts were laid out (their rectangle's width, the laid-out height): glyphs are
  // rasterised differently by every renderer, so a comparison looks at their placement there.
  const std::vector<vl::Rect>& text_boxes() const { return text_boxes_; }
  void clear_notes();

  // DrawSurface
  void fill_round_rect(const vl::Rect& rect, float radius, const vl::Color& color) override;
  void draw_round_rect(const vl::Rect& rect, float radius, float width,
                       const vl::Color& color) override;
  void fill_circle(vl::Point centre, float radius, const vl::Color& color) override;
  void draw_circle(vl::Point centre, float radius, float width, const vl::Color& color) override;
  void draw_line(vl::Point from, vl::Point to, float width, const vl::Color& color) override;
  void draw_polyline(std::span<const vl::Point> points, float width,
                     const vl::Color& color) override;
  void draw_arc(const vl::ArcFigure& arc, float width, const vl::Color& color) override;
  void fill_linear_gradient(const vl::Rect& rect, float radius, vl::Point start, vl::Point end,
                            std::span<const vl::GradientStop> stops) override;
  void fill_radial_gradient(const vl::Rect& rect, vl::Point centre, float radius_x,
                            float radius_y, std::span<const vl::GradientStop> stops) override;
  void push_clip(const vl::Rect& rect) override;
  void pop_clip() override;
  void draw_bitmap(std::string_view name, std::span<const uint8_t> png, const vl::Rect& rect,
                   float opacity) override;
  void draw_bitmap_scaled(std::string_view name, std::span<const uint8_t> png,
                          const vl::Rect& rect, float decode_width, float decode_height,
                          float opacity) override;
  void draw_text(const vl::TextStyle& style, const vl::Rect& rect) override;
  vl::TextSize measure_text(const vl::TextStyle& style, float max_width) override;

 private:
  struct Layout;
  std::unique_ptr<Layout> text_layout(const vl::TextStyle& style, vl::LayoutBox box);
  void set_color(const vl::Color& color);
  void round_rect_path(const vl::Rect& rect, float radius);
  // Strokes the current path with round caps and joins; `covers`: Wine draws it too, so it
  // takes the mark away under it.
  void stroke_round(float width, const vl::Color& color, bool covers = true);
  void fill_with_stops(cairo_pattern_t* pattern, std::span<const vl::GradientStop> stops);
  void note(WineFault fault, const vl::Rect& rect);
  // Takes the mark away under the current path (filled, or stroked `stroke_width` wide with
  // round caps and joins when `round`) by `alpha`. Call it before the path is drawn.
  void cover(float alpha, float stroke_width = 0.0f, bool round = false);

  CairoResources& resources_;
  float dpi_;
  cairo_surface_t* image_ = nullptr;
  cairo_t* cr_ = nullptr;
  cairo_surface_t* mask_ = nullptr;
  cairo_t* mask_cr_ = nullptr;
  std::vector<WineRegion> wine_regions_;
  std::vector<vl::Rect> text_boxes_;
};

}  // namespace gallery
