#pragma once
// The Direct2D and DirectWrite drawing surface: one render target (a window's or, for the
// offscreen renderer, a WIC bitmap's), one solid brush recoloured per call, one round stroke
// style, and caches of text formats, text layouts, gradients and bitmaps. It receives final
// coordinates and alphas from DrawContext and only executes them.
#include <windows.h>
#include <d2d1.h>
#include <dwrite.h>
#include <wincodec.h>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/draw_context.h"
#include "gfx/gradient_raster.h"
#include "gfx/graphics_factories_win.h"
#include "gfx/lru_cache.h"
#include "gfx/text_style.h"
#include "sys/unique_handle_win.h"

namespace vl {

// Text formats by key, as the surface caches them.
using TextFormats = std::map<TextFormatKey, ComPtr<IDWriteTextFormat>>;

// The text format `style` is drawn with (family, weight, size, wrapping, ellipsis); null when
// DirectWrite refuses it.
ComPtr<IDWriteTextFormat> make_text_format(IDWriteFactory* dwrite, const FontFamilies& families,
                                           const TextStyle& style);

class D2DSurface final : public DrawSurface {
 public:
  // Borrows the factories (they outlive the surface) and creates the shared stroke style. The
  // DirectWrite and WIC factories are first used by the first drawing call that needs them, so
  // they may be filled in after the surface is made.
  explicit D2DSurface(GraphicsFactories& factories);
  D2DSurface(const D2DSurface&) = delete;
  D2DSurface& operator=(const D2DSurface&) = delete;

  // Takes a new render target: sets grayscale text antialiasing, creates the brush (none when
  // that fails) and empties the bitmap cache (bitmaps belong to a render target).
  void attach_target(ComPtr<ID2D1RenderTarget> target);
  // Drops the render target, the brush and the bitmaps made for them (device lost).
  void drop_target();
  ID2D1RenderTarget* target() const { return target_.get(); }
  bool ready() const { return target_.valid() && brush_.valid(); }

  // A DPI that differs by more than 0.1 is stored and empties the bitmap cache.
  void set_dpi(float dpi);
  float dpi() const { return dpi_; }

  // The pixel width of the cached bitmap named `name`, if any (for tests and reviews).
  std::optional<uint32_t> cached_bitmap_width(std::string_view name) const;
  size_t text_format_count() const { return formats_.size(); }
  size_t text_layout_count() const { return layouts_.size(); }
  const FontFamilies& families() const { return factories_.families; }
  // Takes formats made beforehand (for instance on another thread, handed over once); a key
  // the surface already has keeps its own.
  void adopt_text_formats(TextFormats formats);

  // DrawSurface
  void fill_round_rect(const Rect& rect, float radius, const Color& color) override;
  void draw_round_rect(const Rect& rect, float radius, float width, const Color& color) override;
  void fill_circle(Point centre, float radius, const Color& color) override;
  // Rasterised here into one bitmap (rasterize_circles), kept while the same circles are asked
  // for: Direct2D under Wine tessellates every ellipse on the processor, a dot grid's worth a
  // frame.
  void fill_circles(std::span<const Point> centres, float radius, const Color& color) override;
  void draw_circle(Point centre, float radius, float width, const Color& color) override;
  void draw_line(Point from, Point to, float width, const Color& color) override;
  void draw_polyline(std::span<const Point> points, float width, const Color& color) override;
  void draw_arc(const ArcFigure& arc, float width, const Color& color) override;
  // A gradient with a translucent stop is drawn as a bitmap rasterised here
  // (rasterize_gradient): Wine 8's gradient brushes blend such stops wrongly.
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
  void use_color(const Color& color);
  // Gradient resources for one list of stops; the brushes are made on first use and moved to
  // each call's end points.
  struct GradientBrushes {
    ComPtr<ID2D1GradientStopCollection> stops;
    ComPtr<ID2D1LinearGradientBrush> linear;
    ComPtr<ID2D1RadialGradientBrush> radial;
  };
  // The cached resources for these stops, made when missing; null when none can be made.
  GradientBrushes* gradient(std::span<const GradientStop> stops);
  // Draws `fill` from its cached bitmap, rasterised when missing.
  void fill_rasterised(GradientFill fill);
  void draw_path(ID2D1PathGeometry* path, float width, const Color& color);
  IDWriteTextFormat* text_format(const TextStyle& style);
  // A laid-out text and its metrics (zero when they could not be read).
  struct CachedLayout {
    ComPtr<IDWriteTextLayout> layout;
    DWRITE_TEXT_METRICS metrics{};
    bool has_metrics = false;
  };
  // The cached layout for this style and box, made when missing; null when none can be made.
  // Layouts do not depend on the render target or the DPI, so they outlive both.
  const CachedLayout* text_layout(const TextStyle& style, LayoutBox box);
  ComPtr<ID2D1Bitmap> decode_png(std::span<const uint8_t> png, uint32_t width, uint32_t height);

  GraphicsFactories& factories_;
  ComPtr<ID2D1RenderTarget> target_;
  ComPtr<ID2D1SolidColorBrush> brush_;
  ComPtr<ID2D1StrokeStyle> round_stroke_;
  float dpi_ = 96.0f;
  TextFormats formats_;
  // Every frame draws and measures the same few dozen texts; making their layouts anew each time
  // is most of a frame's text cost. Bounded: a changing text (a percentage, a path being typed)
  // pushes out only the least recently used.
  static constexpr size_t TEXT_LAYOUT_CACHE_SIZE = 64;
  LruCache<TextLayoutKey, CachedLayout> layouts_{TEXT_LAYOUT_CACHE_SIZE};
  struct CachedBitmap {
    ComPtr<ID2D1Bitmap> bitmap;
    uint32_t pixel_width = 0;
  };
  std::map<std::string, CachedBitmap, std::less<>> bitmaps_;
  // Every frame fills the same few gradients. They belong to the render target, as bitmaps do.
  static constexpr size_t GRADIENT_CACHE_SIZE = 32;
  LruCache<std::vector<GradientStop>, GradientBrushes> gradients_{GRADIENT_CACHE_SIZE};
  // The translucent gradients' bitmaps for the render target and DPI, with the rectangle (DIPs,
  // on whole device pixels) each is drawn into. A frame fills a few; a moving one (the progress
  // bar's sheen) pushes out only the least recently used.
  struct RasterBitmap {
    ComPtr<ID2D1Bitmap> bitmap;
    Rect rect;
  };
  static constexpr size_t RASTER_CACHE_SIZE = 8;
  LruCache<GradientFill, RasterBitmap> rasters_{RASTER_CACHE_SIZE};
  // The last circles drawn, rasterised into one bitmap for the render target and DPI.
  struct CircleBitmap {
    std::vector<Point> centres;
    float radius = 0.0f;
    Color color;
    ComPtr<ID2D1Bitmap> bitmap;
    Rect rect;  // DIPs, on whole device pixels
  };
  CircleBitmap circles_;
};

}  // namespace vl
