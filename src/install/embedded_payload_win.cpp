#include "install/embedded_payload_win.h"

namespace vl {

std::span<const uint8_t> find_embedded_payload(HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, L"PAYLOAD", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!resource) return {};
  DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded || size == 0) return {};
  // Resource memory is part of the mapped image; it lives as long as the module.
  const void* bytes = LockResource(loaded);
  if (!bytes) return {};
  return {static_cast<const uint8_t*>(bytes), size};
}

}  // namespace vl
