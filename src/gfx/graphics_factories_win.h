#pragma once
// The three graphics factories of the window: Direct2D (single-threaded), DirectWrite (shared)
// and WIC. d2d1.dll and dwrite.dll are loaded from System32 at run time; WIC comes through COM.
#include <windows.h>
#include <d2d1.h>
#include <dwrite.h>
#include <wincodec.h>

#include <utility>

#include "sys/unique_handle_win.h"

namespace vl {

// CLSID_WICImagingFactory (the Windows 7 one, which every later system keeps).
inline constexpr GUID WIC_IMAGING_FACTORY_CLSID = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
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
      d2d = std::move(other.d2d);
      dwrite = std::move(other.dwrite);
      wic = std::move(other.wic);
    }
    return *this;
  }
  ~GraphicsFactories() { release(); }

  // Interfaces first: a module is never unloaded under an interface it made.
  void release() {
    wic.reset();
    dwrite.reset();
    d2d.reset();
    dwrite_module.reset();
    d2d_module.reset();
  }

  UniqueModule d2d_module;
  UniqueModule dwrite_module;
  ComPtr<ID2D1Factory> d2d;
  ComPtr<IDWriteFactory> dwrite;
  ComPtr<IWICImagingFactory> wic;
};

// All three or none: on failure the HRESULT of the failing step (E_NOINTERFACE for a null
// interface, the loader's error for a missing DLL) and no factory is kept.
struct FactoriesOutcome {
  GraphicsFactories factories;
  HRESULT error = S_OK;
};
FactoriesOutcome create_graphics_factories();

}  // namespace vl
