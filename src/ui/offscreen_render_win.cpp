#include "ui/offscreen_render_win.h"

#include <windows.h>
#include <d2d1.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>

#include "gfx/d2d_surface_win.h"
#include "gfx/draw_context.h"
#include "gfx/graphics_factories_win.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "ui/frame_context.h"
#include "ui/frame_cycle.h"
#include "ui/interaction.h"
#include "ui/window_geometry.h"

namespace vl {
namespace {

Failure hr_failure(const char* subject, HRESULT hr) {
  return fail(std::string(subject) + ": " + hresult_message(hr));
}

// Writes the bitmap as an 8-bit BGRA PNG to a temporary name and renames it into place.
Status write_png(IWICImagingFactory* wic, IWICBitmap* bitmap, const std::wstring& path) {
  const std::wstring temp = path + L".tmp";
  {
    ComPtr<IWICStream> stream;
    HRESULT hr = wic->CreateStream(stream.put());
    if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(temp.c_str(), GENERIC_WRITE);
    if (FAILED(hr)) return hr_failure("PNG stream", hr);
    ComPtr<IWICBitmapEncoder> encoder;
    hr = wic->CreateEncoder(WIC_CONTAINER_PNG, nullptr, encoder.put());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    ComPtr<IWICBitmapFrameEncode> frame;
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.put(), nullptr);
    if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
    UINT width = 0;
    UINT height = 0;
    if (SUCCEEDED(hr)) hr = bitmap->GetSize(&width, &height);
    if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
    WICPixelFormatGUID format = WIC_PIXEL_FORMAT_BGRA;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    ComPtr<IWICFormatConverter> converter;
    if (SUCCEEDED(hr)) hr = wic->CreateFormatConverter(converter.put());
    if (SUCCEEDED(hr)) {
      hr = converter->Initialize(bitmap, WIC_PIXEL_FORMAT_BGRA, WICBitmapDitherTypeNone, nullptr,
                                 0.0, WICBitmapPaletteTypeMedianCut);
    }
    if (SUCCEEDED(hr)) hr = frame->WriteSource(converter.get(), nullptr);
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    if (FAILED(hr)) {
      stream.reset();
      ::DeleteFileW(temp.c_str());
      return hr_failure("PNG encoding", hr);
    }
  }
  if (!::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const std::string error = last_error_text("PNG rename");
    ::DeleteFileW(temp.c_str());
    return fail(error);
  }
  return Status::success();
}

}  // namespace

Result<OffscreenResult> render_offscreen(WindowApp& app, const OffscreenRequest& request) {
  FactoriesOutcome made = create_graphics_factories();
  if (FAILED(made.error)) return hr_failure("Direct2D unavailable", made.error);
  GraphicsFactories& factories = made.factories;

  const float dpi = request.dpi;
  const SizeF size = app.window_size();
  OffscreenResult result;
  result.pixel_width = static_cast<uint32_t>(std::max(1, dips_to_pixels(size.width, dpi)));
  result.pixel_height = static_cast<uint32_t>(std::max(1, dips_to_pixels(size.height, dpi)));

  ComPtr<IWICBitmap> bitmap;
  HRESULT hr = factories.wic->CreateBitmap(result.pixel_width, result.pixel_height,
                                           WIC_PIXEL_FORMAT_PBGRA, WICBitmapCacheOnLoad,
                                           bitmap.put());
  if (FAILED(hr)) return hr_failure("WIC bitmap", hr);
  const D2D1_RENDER_TARGET_PROPERTIES props{
      D2D1_RENDER_TARGET_TYPE_DEFAULT,
      {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, dpi, dpi,
      D2D1_RENDER_TARGET_USAGE_NONE, D2D1_FEATURE_LEVEL_DEFAULT};
  ComPtr<ID2D1RenderTarget> target;
  hr = factories.d2d->CreateWicBitmapRenderTarget(bitmap.get(), &props, target.put());
  if (FAILED(hr) || !target) return hr_failure("WIC render target", hr);

  {
    D2DSurface surface(factories);
    surface.set_dpi(dpi);
    surface.attach_target(std::move(target));
    if (!surface.ready()) return fail("no brush for the offscreen render target");
    DrawContext draw(surface);
    InteractionState input;
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    const FramePlan plan{size.width, size.height, dpi, request.time, request.frame_step,
                         request.mouse_x, request.mouse_y, request.hover,
                         request.focus};
    ID2D1RenderTarget* target = surface.target();
    Result<FrameRun> run = run_frames(app, draw, input, plan, [&](const auto& paint) -> Status {
      LARGE_INTEGER started{};
      ::QueryPerformanceCounter(&started);
      target->BeginDraw();
      const D2D1_MATRIX_3X2_F identity{1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
      target->SetTransform(&identity);
      paint();
      const HRESULT ended = target->EndDraw(nullptr, nullptr);
      if (FAILED(ended)) return hr_failure("EndDraw", ended);
      LARGE_INTEGER finished{};
      ::QueryPerformanceCounter(&finished);
      result.frame_ms.push_back(static_cast<double>(finished.QuadPart - started.QuadPart) *
                                1000.0 / static_cast<double>(frequency.QuadPart));
      return Status::success();
    });
    if (!run) return run.failure();
    result.frames = run->frames;
    result.last_frame_animates = run->last_frame_animates;
    result.logo_pixel_width = surface.cached_bitmap_width("logo");
  }

  if (Status written = write_png(factories.wic.get(), bitmap.get(), request.png_path); !written) {
    return written.failure();
  }
  return result;
}

}  // namespace vl
