#include "gfx/d2d_surface_win.h"

#include <dwrite_1.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "sys/phase_times.h"
#include "sys/fatal_error_win.h"
#include "sys/text_win.h"

namespace vl {
namespace {

// WICBitmapInterpolationModeHighQualityCubic (Windows 10), missing from older headers.
constexpr auto WIC_HIGH_QUALITY_CUBIC = static_cast<WICBitmapInterpolationMode>(4);

D2D1_POINT_2F d2d_point(Point p) { return {p.x, p.y}; }
D2D1_RECT_F d2d_rect(const Rect& r) { return {r.x, r.y, r.x + r.w, r.y + r.h}; }

// Each kind of drawing call sums its time for the benchmark (phase builds only; Direct2D under
// Wine draws on the processor, so the sums show where a frame goes).

}  // namespace

D2DSurface::D2DSurface(GraphicsFactories& factories) : factories_(factories) {
  const D2D1_STROKE_STYLE_PROPERTIES props{D2D1_CAP_STYLE_ROUND, D2D1_CAP_STYLE_ROUND,
                                           D2D1_CAP_STYLE_ROUND, D2D1_LINE_JOIN_ROUND,
                                           10.0f, D2D1_DASH_STYLE_SOLID, 0.0f};
  if (FAILED(factories_.d2d->CreateStrokeStyle(&props, nullptr, 0, round_stroke_.put()))) {
    round_stroke_.reset();  // lines then use Direct2D's default style
  }
}

void D2DSurface::attach_target(ComPtr<ID2D1RenderTarget> target) {
  target_ = std::move(target);
  brush_.reset();
  bitmaps_.clear();
  gradients_.clear();
  rasters_.clear();
  circles_ = CircleBitmap{};
  if (!target_) return;
  target_->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE);
  const D2D1_COLOR_F black{0.0f, 0.0f, 0.0f, 1.0f};
  if (FAILED(target_->CreateSolidColorBrush(&black, nullptr, brush_.put()))) brush_.reset();
}

void D2DSurface::drop_target() {
  bitmaps_.clear();
  gradients_.clear();
  rasters_.clear();
  circles_ = CircleBitmap{};
  brush_.reset();
  target_.reset();
}

void D2DSurface::set_dpi(float dpi) {
  if (std::fabs(dpi - dpi_) > 0.1f) {
    dpi_ = dpi;
    bitmaps_.clear();
    rasters_.clear();
    circles_ = CircleBitmap{};
  }
}

void D2DSurface::use_color(const Color& color) {
  if (!target_ || !brush_) {
    // The frame cycle never paints without both: reaching this is a broken invariant.
    fatal_error("drawing without a render target", E_UNEXPECTED);
  }
  const D2D1_COLOR_F c{color.r, color.g, color.b, color.a};
  brush_->SetColor(&c);
}

void D2DSurface::fill_round_rect(const Rect& rect, float radius, const Color& color) {
  phase::Timed timed("draw: rounded rects");
  use_color(color);
  const float r = std::max(0.0f, radius);
  const D2D1_ROUNDED_RECT rounded{d2d_rect(rect), r, r};
  target_->FillRoundedRectangle(&rounded, brush_.get());
}

void D2DSurface::draw_round_rect(const Rect& rect, float radius, float width,
                                 const Color& color) {
  phase::Timed timed("draw: rounded rects");
  use_color(color);
  const float r = std::max(0.0f, radius);
  const D2D1_ROUNDED_RECT rounded{d2d_rect(rect), r, r};
  target_->DrawRoundedRectangle(&rounded, brush_.get(), width, nullptr);
}

void D2DSurface::fill_circle(Point centre, float radius, const Color& color) {
  phase::Timed timed("draw: circles");
  use_color(color);
  const D2D1_ELLIPSE e{d2d_point(centre), radius, radius};
  target_->FillEllipse(&e, brush_.get());
}

void D2DSurface::fill_circles(std::span<const Point> centres, float radius,
                              const Color& color) {
  phase::Timed timed("draw: circles");
  if (!target_ || centres.empty()) return;
  const bool same = circles_.bitmap && circles_.radius == radius && circles_.color == color &&
                    std::equal(centres.begin(), centres.end(), circles_.centres.begin(),
                               circles_.centres.end());
  if (!same) {
    circles_ = CircleBitmap{};
    const CircleRaster raster = rasterize_circles(centres, radius, dpi_);
    if (raster.coverage.empty()) return;
    // Premultiplied BGRA: every channel scaled by the pixel's coverage times the colour's alpha.
    std::vector<uint32_t> pixels(raster.coverage.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
      const float a = static_cast<float>(raster.coverage[i]) / 255.0f * color.a;
      const auto channel = [a](float v) {
        return static_cast<uint32_t>(std::lround(std::clamp(v * a, 0.0f, 1.0f) * 255.0f));
      };
      pixels[i] = channel(color.b) | channel(color.g) << 8 | channel(color.r) << 16 |
                  channel(1.0f) << 24;
    }
    const D2D1_BITMAP_PROPERTIES props{{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED},
                                       dpi_, dpi_};
    ComPtr<ID2D1Bitmap> bitmap;
    if (FAILED(target_->CreateBitmap({raster.width, raster.height}, pixels.data(),
                                     raster.width * 4, &props, bitmap.put())) ||
        !bitmap) {
      return;  // tried again next frame
    }
    const float to_dips = 96.0f / dpi_;
    circles_ = CircleBitmap{
        std::vector<Point>(centres.begin(), centres.end()), radius, color, std::move(bitmap),
        Rect{static_cast<float>(raster.left) * to_dips, static_cast<float>(raster.top) * to_dips,
             static_cast<float>(raster.width) * to_dips,
             static_cast<float>(raster.height) * to_dips}};
  }
  const D2D1_RECT_F dest = d2d_rect(circles_.rect);
  target_->DrawBitmap(circles_.bitmap.get(), &dest, 1.0f,
                      D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
}

void D2DSurface::draw_circle(Point centre, float radius, float width, const Color& color) {
  phase::Timed timed("draw: circles");
  use_color(color);
  const D2D1_ELLIPSE e{d2d_point(centre), radius, radius};
  target_->DrawEllipse(&e, brush_.get(), width, nullptr);
}

void D2DSurface::draw_line(Point from, Point to, float width, const Color& color) {
  phase::Timed timed("draw: lines and paths");
  use_color(color);
  target_->DrawLine(d2d_point(from), d2d_point(to), brush_.get(), width, round_stroke_.get());
}

void D2DSurface::draw_path(ID2D1PathGeometry* path, float width, const Color& color) {
  phase::Timed timed("draw: lines and paths");
  use_color(color);
  target_->DrawGeometry(path, brush_.get(), width, round_stroke_.get());
}

void D2DSurface::draw_polyline(std::span<const Point> points, float width, const Color& color) {
  if (points.size() < 2) return;
  ComPtr<ID2D1PathGeometry> path;
  if (FAILED(factories_.d2d->CreatePathGeometry(path.put())) || !path) return;
  ComPtr<ID2D1GeometrySink> sink;
  if (FAILED(path->Open(sink.put())) || !sink) return;
  sink->BeginFigure(d2d_point(points[0]), D2D1_FIGURE_BEGIN_HOLLOW);
  for (size_t i = 1; i < points.size(); ++i) sink->AddLine(d2d_point(points[i]));
  sink->EndFigure(D2D1_FIGURE_END_OPEN);
  if (FAILED(sink->Close())) return;
  draw_path(path.get(), width, color);
}

void D2DSurface::draw_arc(const ArcFigure& arc, float width, const Color& color) {
  ComPtr<ID2D1PathGeometry> path;
  if (FAILED(factories_.d2d->CreatePathGeometry(path.put())) || !path) return;
  ComPtr<ID2D1GeometrySink> sink;
  if (FAILED(path->Open(sink.put())) || !sink) return;
  sink->BeginFigure(d2d_point(arc.start), D2D1_FIGURE_BEGIN_HOLLOW);
  const D2D1_ARC_SEGMENT segment{d2d_point(arc.end), {arc.radius, arc.radius}, 0.0f,
                                 D2D1_SWEEP_DIRECTION_CLOCKWISE,
                                 arc.large ? D2D1_ARC_SIZE_LARGE : D2D1_ARC_SIZE_SMALL};
  sink->AddArc(&segment);
  sink->EndFigure(D2D1_FIGURE_END_OPEN);
  if (FAILED(sink->Close())) return;
  draw_path(path.get(), width, color);
}

D2DSurface::GradientBrushes* D2DSurface::gradient(std::span<const GradientStop> stops) {
  std::vector<GradientStop> key(stops.begin(), stops.end());
  if (GradientBrushes* found = gradients_.find(key)) return found;
  std::vector<D2D1_GRADIENT_STOP> d2d_stops;
  d2d_stops.reserve(stops.size());
  for (const GradientStop& s : stops) {
    d2d_stops.push_back({s.position, {s.color.r, s.color.g, s.color.b, s.color.a}});
  }
  GradientBrushes made;
  if (FAILED(target_->CreateGradientStopCollection(d2d_stops.data(),
                                                   static_cast<UINT>(d2d_stops.size()),
                                                   D2D1_GAMMA_2_2, D2D1_EXTEND_MODE_CLAMP,
                                                   made.stops.put())) ||
      !made.stops) {
    return nullptr;
  }
  return &gradients_.insert(std::move(key), std::move(made));
}

void D2DSurface::fill_rasterised(GradientFill fill) {
  if (!target_) return;
  RasterBitmap* cached = rasters_.find(fill);
  if (cached == nullptr) {
    const PixelBlock block = rasterize_gradient(fill, dpi_);
    if (block.pixels.empty()) return;
    const D2D1_BITMAP_PROPERTIES props{
        {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, dpi_, dpi_};
    ComPtr<ID2D1Bitmap> bitmap;
    if (FAILED(target_->CreateBitmap({block.width, block.height}, block.pixels.data(),
                                     block.width * 4, &props, bitmap.put())) ||
        !bitmap) {
      return;  // tried again next frame
    }
    const float to_dips = 96.0f / dpi_;
    const Rect rect{
        static_cast<float>(block.left) * to_dips, static_cast<float>(block.top) * to_dips,
        static_cast<float>(block.width) * to_dips, static_cast<float>(block.height) * to_dips};
    cached = &rasters_.insert(std::move(fill), RasterBitmap{std::move(bitmap), rect});
  }
  const D2D1_RECT_F dest = d2d_rect(cached->rect);
  target_->DrawBitmap(cached->bitmap.get(), &dest, 1.0f,
                      D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
}

void D2DSurface::fill_linear_gradient(const Rect& rect, float radius, Point start, Point end,
                                      std::span<const GradientStop> stops) {
  phase::Timed timed("draw: gradients");
  if (!target_ || stops.empty()) return;
  if (has_translucent_stop(stops)) {
    fill_rasterised(GradientFill{false, rect, radius, start, end, 0.0f, 0.0f,
                                 std::vector<GradientStop>(stops.begin(), stops.end())});
    return;
  }
  GradientBrushes* cached = gradient(stops);
  if (cached == nullptr) return;
  if (cached->linear) {
    cached->linear->SetStartPoint(d2d_point(start));
    cached->linear->SetEndPoint(d2d_point(end));
  } else {
    const D2D1_LINEAR_GRADIENT_BRUSH_PROPERTIES props{d2d_point(start), d2d_point(end)};
    if (FAILED(target_->CreateLinearGradientBrush(&props, nullptr, cached->stops.get(),
                                                  cached->linear.put())) ||
        !cached->linear) {
      cached->linear.reset();
      return;
    }
  }
  if (radius > 0) {
    const D2D1_ROUNDED_RECT rounded{d2d_rect(rect), radius, radius};
    target_->FillRoundedRectangle(&rounded, cached->linear.get());
  } else {
    const D2D1_RECT_F r = d2d_rect(rect);
    target_->FillRectangle(&r, cached->linear.get());
  }
}

void D2DSurface::fill_radial_gradient(const Rect& rect, Point centre, float radius_x,
                                      float radius_y, std::span<const GradientStop> stops) {
  phase::Timed timed("draw: gradients");
  if (!target_ || stops.empty()) return;
  if (has_translucent_stop(stops)) {
    fill_rasterised(GradientFill{true, rect, 0.0f, centre, centre, radius_x, radius_y,
                                 std::vector<GradientStop>(stops.begin(), stops.end())});
    return;
  }
  GradientBrushes* cached = gradient(stops);
  if (cached == nullptr) return;
  if (cached->radial) {
    cached->radial->SetCenter(d2d_point(centre));
    cached->radial->SetRadiusX(radius_x);
    cached->radial->SetRadiusY(radius_y);
  } else {
    const D2D1_RADIAL_GRADIENT_BRUSH_PROPERTIES props{d2d_point(centre), {0.0f, 0.0f}, radius_x,
                                                      radius_y};
    if (FAILED(target_->CreateRadialGradientBrush(&props, nullptr, cached->stops.get(),
                                                  cached->radial.put())) ||
        !cached->radial) {
      cached->radial.reset();
      return;
    }
  }
  const D2D1_RECT_F r = d2d_rect(rect);
  target_->FillRectangle(&r, cached->radial.get());
}

void D2DSurface::push_clip(const Rect& rect) {
  phase::Timed timed("draw: clips");
  if (!target_) return;
  const D2D1_RECT_F r = d2d_rect(rect);
  target_->PushAxisAlignedClip(&r, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
}

void D2DSurface::pop_clip() {
  phase::Timed timed("draw: clips");
  if (target_) target_->PopAxisAlignedClip();
}

ComPtr<ID2D1Bitmap> D2DSurface::decode_png(std::span<const uint8_t> png, uint32_t width,
                                          uint32_t height) {
  IWICImagingFactory* wic = factories_.wic.get();
  ComPtr<IWICStream> stream;
  if (FAILED(wic->CreateStream(stream.put())) || !stream) return {};
  if (FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()),
                                          static_cast<DWORD>(png.size())))) {
    return {};
  }
  // The system's own PNG decoder, by its class: asking the factory to find one for the stream
  // would load and try every codec installed on the machine, anyone's.
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(CoCreateInstance(CLSID_WICPngDecoder, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICBitmapDecoder, decoder.put_void())) ||
      !decoder || FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand))) {
    return {};
  }
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.put())) || !frame) return {};
  ComPtr<IWICBitmapScaler> scaler;
  if (FAILED(wic->CreateBitmapScaler(scaler.put())) || !scaler) return {};
  if (FAILED(scaler->Initialize(frame.get(), width, height, WIC_HIGH_QUALITY_CUBIC))) return {};
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(wic->CreateFormatConverter(converter.put())) || !converter) return {};
  if (FAILED(converter->Initialize(scaler.get(), WIC_PIXEL_FORMAT_PBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeMedianCut))) {
    return {};
  }
  const D2D1_BITMAP_PROPERTIES props{{DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED},
                                     dpi_, dpi_};
  ComPtr<ID2D1Bitmap> bitmap;
  if (FAILED(target_->CreateBitmapFromWicBitmap(converter.get(), &props, bitmap.put()))) return {};
  return bitmap;
}

void D2DSurface::draw_bitmap(std::string_view name, std::span<const uint8_t> png,
                             const Rect& rect, float opacity) {
  draw_bitmap_scaled(name, png, rect, rect.w, rect.h, opacity);
}

void D2DSurface::draw_bitmap_scaled(std::string_view name, std::span<const uint8_t> png,
                                    const Rect& rect, float decode_width, float decode_height,
                                    float opacity) {
  phase::Timed timed("draw: bitmap");
  if (!target_ || png.empty()) return;
  const uint32_t width = image_pixels(decode_width, dpi_);
  const uint32_t height = image_pixels(decode_height, dpi_);
  auto found = bitmaps_.find(name);
  if (found == bitmaps_.end() || found->second.pixel_width != width) {
    ComPtr<ID2D1Bitmap> bitmap;
    {
      phase::Timed timed("frame: bitmap decode");
      bitmap = decode_png(png, width, height);
    }
    if (!bitmap) return;  // tried again next frame
    if (found == bitmaps_.end()) {
      found = bitmaps_.emplace(std::string(name), CachedBitmap{}).first;
    }
    found->second = CachedBitmap{std::move(bitmap), width};
  }
  const D2D1_RECT_F dest = d2d_rect(rect);
  target_->DrawBitmap(found->second.bitmap.get(), &dest, opacity,
                      D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

std::optional<uint32_t> D2DSurface::cached_bitmap_width(std::string_view name) const {
  auto found = bitmaps_.find(name);
  if (found == bitmaps_.end()) return std::nullopt;
  return found->second.pixel_width;
}

ComPtr<IDWriteTextFormat> make_text_format(IDWriteFactory* dwrite, const FontFamilies& families,
                                           const TextStyle& style) {
  const std::wstring family = to_wide(family_for(families, style));
  ComPtr<IDWriteTextFormat> format;
  const auto weight = static_cast<DWRITE_FONT_WEIGHT>(font_weight_value(style.weight));
  if (FAILED(dwrite->CreateTextFormat(family.c_str(), nullptr, weight, DWRITE_FONT_STYLE_NORMAL,
                                      DWRITE_FONT_STRETCH_NORMAL, style.size, L"mn-MN",
                                      format.put())) ||
      !format) {
    return {};
  }
  if (style.wrap) {
    if (FAILED(format->SetWordWrapping(DWRITE_WORD_WRAPPING_WRAP))) return {};
  } else {
    if (FAILED(format->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP))) return {};
    ComPtr<IDWriteInlineObject> sign;
    if (FAILED(dwrite->CreateEllipsisTrimmingSign(format.get(), sign.put()))) sign.reset();
    const DWRITE_TRIMMING trimming{DWRITE_TRIMMING_GRANULARITY_CHARACTER, 0, 0};
    format->SetTrimming(&trimming, sign.get());  // a failure keeps the untrimmed text
  }
  return format;
}

void D2DSurface::adopt_text_formats(TextFormats formats) {
  formats_.merge(formats);  // a format made here already stays
}

IDWriteTextFormat* D2DSurface::text_format(const TextStyle& style) {
  const TextFormatKey key = text_format_key(style);
  if (auto found = formats_.find(key); found != formats_.end()) return found->second.get();

  phase::Timed timed("frame: text formats");
  ComPtr<IDWriteTextFormat> format = make_text_format(factories_.dwrite.get(), families(), style);
  if (!format) return nullptr;
  IDWriteTextFormat* raw = format.get();
  formats_.emplace(key, std::move(format));
  return raw;
}

const D2DSurface::CachedLayout* D2DSurface::text_layout(const TextStyle& style, LayoutBox box) {
  TextLayoutKey key = text_layout_key(style, box);
  if (const CachedLayout* found = layouts_.find(key)) return found;
  IDWriteTextFormat* format = text_format(style);
  if (format == nullptr) return nullptr;
  phase::Timed timed("frame: text layouts");
  const std::wstring text = to_wide(style.text);
  ComPtr<IDWriteTextLayout> layout;
  if (FAILED(factories_.dwrite->CreateTextLayout(text.c_str(), static_cast<UINT32>(text.size()),
                                                 format, box.max_width, box.max_height,
                                                 layout.put())) ||
      !layout) {
    return nullptr;
  }
  static constexpr DWRITE_TEXT_ALIGNMENT ALIGNMENTS[] = {DWRITE_TEXT_ALIGNMENT_LEADING,
                                                         DWRITE_TEXT_ALIGNMENT_CENTER,
                                                         DWRITE_TEXT_ALIGNMENT_TRAILING};
  const auto align = std::min<size_t>(static_cast<size_t>(style.align), 2);
  if (FAILED(layout->SetTextAlignment(ALIGNMENTS[align])) ||
      FAILED(layout->SetParagraphAlignment(DWRITE_PARAGRAPH_ALIGNMENT_NEAR))) {
    return nullptr;
  }
  if (style.letter_spacing != 0.0f) {
    if (auto layout1 = layout.query<IDWriteTextLayout1>()) {
      layout1->SetCharacterSpacing(0.0f, style.letter_spacing, 0.0f,
                                   {0, static_cast<UINT32>(text.size())});
    }
  }
  if (auto spacing = line_spacing(style)) {
    layout->SetLineSpacing(DWRITE_LINE_SPACING_METHOD_UNIFORM, spacing->height,
                           spacing->baseline);
  }
  CachedLayout made;
  made.has_metrics = SUCCEEDED(layout->GetMetrics(&made.metrics));
  if (!made.has_metrics) made.metrics = DWRITE_TEXT_METRICS{};
  made.layout = std::move(layout);
  return &layouts_.insert(std::move(key), std::move(made));
}

void D2DSurface::draw_text(const TextStyle& style, const Rect& rect) {
  phase::Timed timed("draw: text");
  if (!target_) return;
  const CachedLayout* cached = text_layout(style, draw_layout_box(style, rect));
  if (cached == nullptr) return;
  const Point origin = text_origin(style, rect, cached->metrics.height);
  use_color(style.color);
  target_->DrawTextLayout(d2d_point(origin), cached->layout.get(), brush_.get(),
                          D2D1_DRAW_TEXT_OPTIONS_ENABLE_COLOR_FONT);
}

TextSize D2DSurface::measure_text(const TextStyle& style, float max_width) {
  phase::Timed timed("draw: measure");
  const CachedLayout* cached = text_layout(style, measure_layout_box(max_width));
  if (cached == nullptr || !cached->has_metrics) return {};
  return {cached->metrics.widthIncludingTrailingWhitespace, cached->metrics.height};
}

}  // namespace vl
