// The Direct2D surface drawing into a WIC bitmap under Wine: the bitmap cache across DPI
// changes and device resets, the text format cache, and a few pixel-exact geometry rules.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstdint>
#include <vector>

#include "gfx/d2d_surface_win.h"
#include "gfx/draw_context.h"
#include "gfx/graphics_factories_win.h"

namespace vl {
namespace {

struct Rgba {
  int r, g, b, a;
};

class D2DSurfaceTest : public ::testing::Test {
 protected:
  static constexpr UINT WIDTH = 240;
  static constexpr UINT HEIGHT = 120;

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    FactoriesOutcome made = create_graphics_factories();
    ASSERT_EQ(made.error, S_OK);
    factories_ = std::move(made.factories);
    surface_ = std::make_unique<D2DSurface>(factories_);
    surface_->attach_target(new_target());
    ASSERT_TRUE(surface_->ready());
    draw_ = std::make_unique<DrawContext>(*surface_);
  }

  void TearDown() override {
    draw_.reset();
    surface_.reset();
    bitmap_.reset();
    factories_.release();
    ::CoUninitialize();
  }

  ComPtr<ID2D1RenderTarget> new_target() {
    bitmap_.reset();
    EXPECT_EQ(factories_.wic->CreateBitmap(WIDTH, HEIGHT, WIC_PIXEL_FORMAT_PBGRA,
                                           WICBitmapCacheOnLoad, bitmap_.put()),
              S_OK);
    const D2D1_RENDER_TARGET_PROPERTIES props{
        D2D1_RENDER_TARGET_TYPE_DEFAULT,
        {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 96.0f, 96.0f,
        D2D1_RENDER_TARGET_USAGE_NONE, D2D1_FEATURE_LEVEL_DEFAULT};
    ComPtr<ID2D1RenderTarget> target;
    EXPECT_EQ(factories_.d2d->CreateWicBitmapRenderTarget(bitmap_.get(), &props, target.put()),
              S_OK);
    return target;
  }

  // Runs `paint` between BeginDraw and EndDraw on a white page.
  template <typename Paint>
  void frame(Paint paint) {
    surface_->target()->BeginDraw();
    draw_->reset_frame_state();
    draw_->fill_round_rect({0, 0, WIDTH, HEIGHT}, 0, rgb(255, 255, 255));
    paint(*draw_);
    ASSERT_EQ(surface_->target()->EndDraw(nullptr, nullptr), S_OK);
  }

  Rgba pixel(UINT x, UINT y) {
    const WICRect all{0, 0, static_cast<INT>(WIDTH), static_cast<INT>(HEIGHT)};
    ComPtr<IWICBitmapLock> lock;
    EXPECT_EQ(bitmap_->Lock(&all, WICBitmapLockRead, lock.put()), S_OK);
    UINT stride = 0;
    UINT size = 0;
    BYTE* data = nullptr;
    lock->GetStride(&stride);
    lock->GetDataPointer(&size, &data);
    const BYTE* p = data + y * stride + x * 4;
    return Rgba{p[2], p[1], p[0], p[3]};
  }

  bool inked(UINT x, UINT y) {
    const Rgba p = pixel(x, y);
    return p.r < 200 || p.g < 200 || p.b < 200;
  }

  // A small opaque red PNG made with WIC, standing in for the logo.
  std::vector<uint8_t> red_png(UINT width, UINT height) {
    ComPtr<IWICBitmap> source;
    EXPECT_EQ(factories_.wic->CreateBitmap(width, height, WIC_PIXEL_FORMAT_BGRA,
                                           WICBitmapCacheOnLoad, source.put()),
              S_OK);
    {
      const WICRect all{0, 0, static_cast<INT>(width), static_cast<INT>(height)};
      ComPtr<IWICBitmapLock> lock;
      source->Lock(&all, WICBitmapLockWrite, lock.put());
      UINT stride = 0, size = 0;
      BYTE* data = nullptr;
      lock->GetStride(&stride);
      lock->GetDataPointer(&size, &data);
      for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
          BYTE* p = data + y * stride + x * 4;
          p[0] = 0, p[1] = 0, p[2] = 255, p[3] = 255;
        }
      }
    }
    ComPtr<IStream> stream;
    EXPECT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    ComPtr<IWICBitmapEncoder> encoder;
    factories_.wic->CreateEncoder(WIC_CONTAINER_PNG, nullptr, encoder.put());
    encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    ComPtr<IWICBitmapFrameEncode> frame;
    encoder->CreateNewFrame(frame.put(), nullptr);
    frame->Initialize(nullptr);
    frame->SetSize(width, height);
    WICPixelFormatGUID format = WIC_PIXEL_FORMAT_BGRA;
    frame->SetPixelFormat(&format);
    EXPECT_EQ(frame->WriteSource(source.get(), nullptr), S_OK);
    frame->Commit();
    encoder->Commit();
    HGLOBAL global = nullptr;
    ::GetHGlobalFromStream(stream.get(), &global);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    const auto* bytes = static_cast<const uint8_t*>(::GlobalLock(global));
    std::vector<uint8_t> png(bytes, bytes + stat.cbSize.LowPart);
    ::GlobalUnlock(global);
    return png;
  }

  GraphicsFactories factories_;
  ComPtr<IWICBitmap> bitmap_;
  std::unique_ptr<D2DSurface> surface_;
  std::unique_ptr<DrawContext> draw_;
};

TEST_F(D2DSurfaceTest, ImageIsDecodedAtThePixelSizeForTheDpiAndAgainWhenItChanges) {
  const std::vector<uint8_t> png = red_png(52, 22);
  frame([&](DrawContext& d) { d.draw_png("logo", png, {10, 10, 130, 54}); });
  EXPECT_EQ(surface_->cached_bitmap_width("logo"), 130u);
  const Rgba drawn = pixel(60, 30);
  EXPECT_EQ(drawn.r, 255);
  EXPECT_LT(drawn.g, 8);

  surface_->set_dpi(96.05f);  // within a tenth: the cache stays
  EXPECT_EQ(surface_->cached_bitmap_width("logo"), 130u);
  surface_->set_dpi(144.0f);
  EXPECT_EQ(surface_->cached_bitmap_width("logo"), std::nullopt);
  frame([&](DrawContext& d) { d.draw_png("logo", png, {10, 10, 130, 54}); });
  EXPECT_EQ(surface_->cached_bitmap_width("logo"), 195u);
}

TEST_F(D2DSurfaceTest, ImageDecodedForOneSizeIsDrawnScaledIntoAnother) {
  const std::vector<uint8_t> png = red_png(52, 22);
  frame([&](DrawContext& d) { d.draw_png("logo", png, {10, 10, 100, 42}, 130, 54); });
  EXPECT_EQ(surface_->cached_bitmap_width("logo"), 130u);
  EXPECT_EQ(pixel(105, 48).r, 255);  // the scaled image fills the smaller rectangle
  EXPECT_GT(pixel(115, 48).g, 200);  // and stops at its edge
  EXPECT_GT(pixel(115, 48).b, 200);
}

TEST_F(D2DSurfaceTest, DeviceResetDropsTargetBrushAndBitmapsAndTheNextTargetDecodesAgain) {
  const std::vector<uint8_t> png = red_png(52, 22);
  frame([&](DrawContext& d) { d.draw_png("logo", png, {0, 0, 130, 54}); });
  ASSERT_EQ(surface_->cached_bitmap_width("logo"), 130u);

  surface_->drop_target();
  EXPECT_FALSE(surface_->ready());
  EXPECT_EQ(surface_->target(), nullptr);
  EXPECT_EQ(surface_->cached_bitmap_width("logo"), std::nullopt);

  surface_->attach_target(new_target());
  ASSERT_TRUE(surface_->ready());
  frame([&](DrawContext& d) { d.draw_png("logo", png, {0, 0, 130, 54}); });
  EXPECT_EQ(surface_->cached_bitmap_width("logo"), 130u);
  EXPECT_EQ(pixel(60, 30).r, 255);
}

TEST_F(D2DSurfaceTest, TextFormatsAreSharedByKeyAcrossColourAlignmentAndSpacing) {
  TextStyle style;
  style.size = 12.5f;
  style.text = "Суулгах";
  frame([&](DrawContext& d) {
    d.draw_text(style, {0, 0, 200, 20});
    style.color = rgb(200, 10, 10);
    style.align = TextAlign::Trailing;
    style.letter_spacing = 0.4f;
    d.draw_text(style, {0, 20, 200, 20});
    style.size = 12.504f;  // key 1250 as well
    d.draw_text(style, {0, 40, 200, 20});
  });
  EXPECT_EQ(surface_->text_format_count(), 1u);
  style.size = 12.6f;
  surface_->measure_text(style, 200);
  EXPECT_EQ(surface_->text_format_count(), 2u);
  style.wrap = true;
  surface_->measure_text(style, 200);
  style.weight = 3;
  surface_->measure_text(style, 200);
  EXPECT_EQ(surface_->text_format_count(), 4u);
}

TEST_F(D2DSurfaceTest, CyrillicTextIsMeasuredAndLongerTextIsWider) {
  TextStyle style;
  style.size = 14.0f;
  style.text = "Суулгах";
  const TextSize short_text = surface_->measure_text(style, 1000);
  style.text = "Суулгах Суулгах";
  const TextSize long_text = surface_->measure_text(style, 1000);
  EXPECT_GT(short_text.width, 20.0f);
  EXPECT_GT(short_text.height, 10.0f);
  EXPECT_GT(long_text.width, short_text.width * 1.8f);
  EXPECT_FLOAT_EQ(long_text.height, short_text.height);
}

TEST_F(D2DSurfaceTest, SingleLineInALowRectangleStartsAtItsTopNeverAbove) {
  TextStyle style;
  style.size = 24.0f;
  style.text = "ЖЖЖЖ";
  style.color = rgb(0, 0, 0);
  frame([&](DrawContext& d) { d.draw_text(style, {10, 40, 200, 4}); });
  bool ink_above = false;
  bool ink_below = false;
  for (UINT x = 10; x < 120; ++x) {
    for (UINT y = 20; y < 40; ++y) ink_above = ink_above || inked(x, y);
    for (UINT y = 40; y < 75; ++y) ink_below = ink_below || inked(x, y);
  }
  EXPECT_FALSE(ink_above);
  EXPECT_TRUE(ink_below);
}

TEST_F(D2DSurfaceTest, StrokedRoundRectangleHasItsOuterEdgeOnTheRectangle) {
  frame([&](DrawContext& d) { d.stroke_round_rect({10, 10, 100, 40}, 8, 2, rgb(0, 0, 0)); });
  EXPECT_TRUE(inked(10, 30));
  EXPECT_TRUE(inked(109, 30));
  EXPECT_FALSE(inked(9, 30));
  EXPECT_FALSE(inked(110, 30));
  EXPECT_TRUE(inked(60, 10));
  EXPECT_FALSE(inked(60, 9));
  EXPECT_FALSE(inked(60, 30));  // hollow
}

TEST_F(D2DSurfaceTest, HalfOpacityHalvesColoursAndImages) {
  const std::vector<uint8_t> png = red_png(20, 20);
  frame([&](DrawContext& d) {
    d.opacity = 0.5f;
    d.fill_round_rect({0, 0, 40, 40}, 0, rgb(0, 0, 0));
    d.draw_png("logo", png, {60, 0, 40, 40});
  });
  const Rgba grey = pixel(20, 20);
  EXPECT_NEAR(grey.r, 128, 3);
  const Rgba pink = pixel(80, 20);
  EXPECT_EQ(pink.r, 255);
  EXPECT_NEAR(pink.g, 128, 3);
  // The next frame starts at full opacity again.
  frame([&](DrawContext& d) { d.fill_round_rect({0, 0, 40, 40}, 0, rgb(0, 0, 0)); });
  EXPECT_LT(pixel(20, 20).r, 3);
}


TEST_F(D2DSurfaceTest, ClipConfinesDrawingUntilItIsPopped) {
  frame([&](DrawContext& d) {
    d.push_clip({20, 20, 40, 40});
    d.fill_round_rect({0, 0, 200, 100}, 0, rgb(0, 0, 0));
    d.pop_clip();
    d.fill_round_rect({150, 80, 10, 10}, 0, rgb(0, 0, 0));
  });
  EXPECT_TRUE(inked(20, 20));
  EXPECT_TRUE(inked(59, 59));
  EXPECT_FALSE(inked(19, 30));
  EXPECT_FALSE(inked(60, 30));
  EXPECT_FALSE(inked(100, 50));
  EXPECT_TRUE(inked(155, 85));  // after the pop the whole target is drawable again
}

TEST_F(D2DSurfaceTest, RadialGradientRunsFromItsCentreToItsRadiiAndClamps) {
  frame([&](DrawContext& d) {
    d.fill_radial_gradient({0, 0, 240, 120}, 60, 60, 40, 40,
                           {GradientStop{rgb(0, 0, 0), 0.0f}, GradientStop{rgb(0, 0, 255), 1.0f}});
  });
  const Rgba centre = pixel(60, 60);
  const Rgba beyond = pixel(150, 60);  // outside the radii: the last stop, clamped
  const Rgba between = pixel(80, 60);
  EXPECT_LT(centre.b, 10);
  EXPECT_GT(beyond.b, 245);
  EXPECT_GT(between.b, centre.b + 40);
  EXPECT_LT(between.b, beyond.b - 40);
}

// Cached brushes and layouts are reused with each call's own geometry: a brush moved to new
// end points and a layout drawn in another rectangle land where that call asked.
TEST_F(D2DSurfaceTest, CachedGradientsAndLayoutsFollowEachCallsGeometry) {
  const GradientStop stops[] = {GradientStop{rgb(0, 0, 0), 0.0f},
                                GradientStop{rgb(0, 0, 255), 1.0f}};
  TextStyle style;
  style.size = 14.0f;
  style.text = "Суулгах";
  frame([&](DrawContext& d) {
    d.fill_gradient({0, 0, 100, 40}, 0, 90, stops);    // black at the left, blue at the right
    d.fill_gradient({0, 40, 100, 40}, 0, 270, stops);  // the same stops, reversed
    d.draw_text(style, {120, 0, 100, 20});
    d.draw_text(style, {120, 60, 100, 20});
  });
  EXPECT_LT(pixel(5, 20).b, 40);
  EXPECT_GT(pixel(95, 20).b, 215);
  EXPECT_GT(pixel(5, 60).b, 215);
  EXPECT_LT(pixel(95, 60).b, 40);
  EXPECT_EQ(surface_->text_layout_count(), 1u);
  bool ink_second = false;
  for (UINT x = 120; x < 220; ++x) {
    for (UINT y = 60; y < 80; ++y) ink_second = ink_second || inked(x, y);
  }
  EXPECT_TRUE(ink_second);
}

}  // namespace
}  // namespace vl
