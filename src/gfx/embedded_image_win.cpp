#include "gfx/embedded_image_win.h"

#include <windows.h>

namespace vl {

std::span<const uint8_t> embedded_rcdata(const wchar_t* name) {
  HRSRC found = ::FindResourceW(nullptr, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (found == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(nullptr, found);
  const DWORD size = ::SizeofResource(nullptr, found);
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return {};
  return {static_cast<const uint8_t*>(bytes), size};
}

}  // namespace vl
