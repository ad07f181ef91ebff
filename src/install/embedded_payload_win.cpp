#include "install/embedded_payload_win.h"

namespace vl {

namespace {

std::span<const uint8_t> find_rcdata(HMODULE module, const wchar_t* name) {
  if (!module) module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!resource) return {};
  DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded || size == 0) return {};
  // Resource memory is part of the mapped image; it lives as long as the module.
  const void* bytes = LockResource(loaded);
  if (!bytes) return {};
  return {static_cast<const uint8_t*>(bytes), size};
}

}  // namespace

std::span<const uint8_t> find_embedded_payload(HMODULE module) {
  return find_rcdata(module, L"PAYLOAD");
}

std::span<const uint8_t> find_embedded_payload_digest(HMODULE module) {
  return find_rcdata(module, L"PAYLOAD_SHA256");
}

}  // namespace vl
