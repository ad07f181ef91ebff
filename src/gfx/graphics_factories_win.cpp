#include "gfx/graphics_factories_win.h"

#include "sys/system_dll_win.h"
#include "sys/text_win.h"

namespace vl {

bool system_has_font_family(IDWriteFactory* factory, const wchar_t* family) {
  ComPtr<IDWriteFontCollection> collection;
  if (FAILED(factory->GetSystemFontCollection(collection.put(), FALSE)) || !collection) {
    return false;
  }
  UINT32 index = 0;
  BOOL exists = FALSE;
  if (FAILED(collection->FindFamilyName(family, &index, &exists))) return false;
  return exists != FALSE;
}

namespace {

using D2D1CreateFactoryFn = HRESULT(WINAPI*)(D2D1_FACTORY_TYPE, REFIID,
                                             const D2D1_FACTORY_OPTIONS*, void**);
using DWriteCreateFactoryFn = HRESULT(WINAPI*)(DWRITE_FACTORY_TYPE, REFIID, IUnknown**);
using WicCreateFactoryFn = HRESULT(WINAPI*)(UINT, IWICImagingFactory**);

HRESULT missing_module_error() {
  const DWORD error = ::GetLastError();
  return error != 0 ? HRESULT_FROM_WIN32(error) : E_NOINTERFACE;
}

HRESULT create_dwrite(GraphicsFactories& out) {
  out.dwrite_module = load_system_dll(L"dwrite.dll");
  if (!out.dwrite_module) return missing_module_error();
  auto create = find_proc<DWriteCreateFactoryFn>(out.dwrite_module.get(), "DWriteCreateFactory");
  if (create == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  const HRESULT hr = create(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                            reinterpret_cast<IUnknown**>(out.dwrite.put()));
  if (FAILED(hr)) return hr;
  if (!out.dwrite) return E_NOINTERFACE;
  out.families = choose_font_families(
      system_has_font_family(out.dwrite.get(), to_wide(VARIABLE_TEXT_FAMILY).c_str()));
  return S_OK;
}

// The factory CoCreateInstance would make, without COM: the call only needs the DLL.
HRESULT create_wic(GraphicsFactories& out) {
  out.wic_module = load_system_dll(L"windowscodecs.dll");
  if (!out.wic_module) return missing_module_error();
  auto create =
      find_proc<WicCreateFactoryFn>(out.wic_module.get(), "WICCreateImagingFactory_Proxy");
  if (create == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  const HRESULT hr = create(WINCODEC_SDK_VERSION, out.wic.put());
  if (FAILED(hr)) return hr;
  return out.wic ? S_OK : E_NOINTERFACE;
}

}  // namespace

HRESULT create_d2d_factory(GraphicsFactories& out) {
  out.d2d_module = load_system_dll(L"d2d1.dll");
  if (!out.d2d_module) return missing_module_error();
  auto create = find_proc<D2D1CreateFactoryFn>(out.d2d_module.get(), "D2D1CreateFactory");
  if (create == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  D2D1_FACTORY_OPTIONS options{D2D1_DEBUG_LEVEL_NONE};
  const HRESULT hr = create(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), &options,
                            out.d2d.put_void());
  if (FAILED(hr)) return hr;
  return out.d2d ? S_OK : E_NOINTERFACE;
}

HRESULT create_text_and_image_factories(GraphicsFactories& out) {
  const HRESULT hr = create_dwrite(out);
  return FAILED(hr) ? hr : create_wic(out);
}

FactoriesOutcome create_graphics_factories() {
  FactoriesOutcome outcome;
  for (auto step : {create_d2d_factory, create_text_and_image_factories}) {
    const HRESULT hr = step(outcome.factories);
    if (FAILED(hr)) {
      return FactoriesOutcome{{}, hr};  // the partial set is released here, interfaces first
    }
  }
  return outcome;
}

}  // namespace vl
