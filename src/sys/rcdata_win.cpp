#include "sys/rcdata_win.h"

namespace vl {

std::span<const uint8_t> find_rcdata(HMODULE module, const wchar_t* name) {
  HRSRC found = ::FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (found == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(module, found);
  const DWORD size = ::SizeofResource(module, found);
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return {};
  return {static_cast<const uint8_t*>(bytes), size};
}

}  // namespace vl
