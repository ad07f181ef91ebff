#pragma once
// The three graphics factories of the window: Direct2D (single-threaded), DirectWrite (shared)
// and WIC, each from its DLL loaded from System32 at run time. None needs COM on the thread, so
// the DirectWrite and WIC half can be made on another thread while the window is being made.
#include <windows.h>
#include <d2d1.h>
#include <dwrite.h>
#include <wincodec.h>

#include <utility>

#include "gfx/text_style.h"
#include "sys/unique_handle_win.h"

namespace vl {

// GUID_WICPixelFormat32bppPBGRA and GUID_WICPixelFormat32bppBGRA.
inline constexpr GUID WIC_PIXEL_FORMAT_PBGRA = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x10}};
inline constexpr GUID WIC_PIXEL_FORMAT_BGRA = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};
// GUID_ContainerFormatPng.
inline constexpr GUID WIC_CONTAINER_PNG = {
    0x1b7cfaf4, 0x713f, 0x473c, {0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf}};

struct GraphicsFactories {
  GraphicsFactories() = default;
  GraphicsFactories(GraphicsFactories&&) = default;
  // Releases the current interfaces before their modules, then takes the other's.
  GraphicsFactories& operator=(GraphicsFactories&& other) noexcept {
    if (this != &other) {
      release();
      d2d_module = std::move(other.d2d_module);
      dwrite_module = std::move(other.dwrite_module);
      wic_module = std::move(other.wic_module);
      d2d = std::move(other.d2d);
      dwrite = std::move(other.dwrite);
      wic = std::move(other.wic);
      families = std::move(other.families);
    }
    return *this;
  }
  ~GraphicsFactories() { release(); }

  // Interfaces first: a module is never unloaded under an interface it made.
  void release() {
    wic.reset();
    dwrite.reset();
    d2d.reset();
    wic_module.reset();
    dwrite_module.reset();
    d2d_module.reset();
  }

  UniqueModule d2d_module;
  UniqueModule dwrite_module;
  UniqueModule wic_module;
  ComPtr<ID2D1Factory> d2d;
  ComPtr<IDWriteFactory> dwrite;
  ComPtr<IWICImagingFactory> wic;
  // Chosen from the system font collection when the DirectWrite factory is made.
  FontFamilies families;
};

// All three or none: on failure the HRESULT of the failing step (E_NOINTERFACE for a null
// interface, the loader's error for a missing DLL) and no factory is kept.
struct FactoriesOutcome {
  GraphicsFactories factories;
  HRESULT error = S_OK;
};
FactoriesOutcome create_graphics_factories();

// The halves, for a caller that makes them on two threads: Direct2D, and DirectWrite with the
// font families and WIC. Each fills its members of `out` or returns the failing step's HRESULT.
HRESULT create_d2d_factory(GraphicsFactories& out);
HRESULT create_text_and_image_factories(GraphicsFactories& out);

// Whether the system font collection has a family of this name (false when it cannot be read).
bool system_has_font_family(IDWriteFactory* factory, const wchar_t* family);

}  // namespace vl
