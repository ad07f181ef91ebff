// The window's graphics start-up under Wine: the DirectWrite and WIC half made on the warm-up
// thread, with COM on neither thread, and handed over to a surface made before it existed.
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "gfx/d2d_surface_win.h"
#include "gfx/graphics_factories_win.h"
#include "gfx/graphics_warmup_win.h"

namespace vl {
namespace {

TEST(GraphicsWarmupTest, HandsOverWorkingFactoriesAndFormatsTheSurfaceUsesAsItsOwn) {
  TextStyle paragraph;
  paragraph.size = 12.5f;
  paragraph.wrap = true;
  paragraph.line_height = 18.5f;
  paragraph.text = "Суулгах байршлаа сонгоно уу";
  TextStyle title = paragraph;
  title.size = 21.0f;
  title.weight = 2;
  title.display = true;
  title.wrap = false;
  title.line_height.reset();
  GraphicsWarmup warmup({paragraph, title, paragraph});

  GraphicsFactories factories;
  ASSERT_EQ(create_d2d_factory(factories), S_OK);
  D2DSurface surface(factories);  // before the DirectWrite half exists, as the window's is
  TextFormats formats;
  ASSERT_EQ(warmup.finish(factories, formats), S_OK);
  ComPtr<IWICBitmap> bitmap;
  EXPECT_EQ(
      factories.wic->CreateBitmap(8, 8, WIC_PIXEL_FORMAT_PBGRA, WICBitmapCacheOnLoad, bitmap.put()),
      S_OK);
  EXPECT_EQ(formats.size(), 2u);
  surface.adopt_text_formats(std::move(formats));
  EXPECT_EQ(surface.text_format_count(), 2u);
  const TextSize warmed = surface.measure_text(paragraph, 60.0f);
  const TextSize warmed_title = surface.measure_text(title, 400.0f);
  EXPECT_EQ(surface.text_format_count(), 2u);  // found under their keys, none made anew

  FactoriesOutcome plain = create_graphics_factories();
  ASSERT_EQ(plain.error, S_OK);
  D2DSurface reference(plain.factories);
  EXPECT_EQ(warmed, reference.measure_text(paragraph, 60.0f));  // wrapped alike
  EXPECT_EQ(warmed_title, reference.measure_text(title, 400.0f));
}

}  // namespace
}  // namespace vl
