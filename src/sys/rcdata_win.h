#pragma once
// RCDATA resources of a module, read in place: resource memory is part of the mapped image, so
// the bytes live as long as the module and nothing is copied.
#include <windows.h>

#include <cstdint>
#include <span>

namespace vl {

// The bytes of the RCDATA resource `name` of `module` (the running executable when null);
// empty when it is absent or empty.
std::span<const uint8_t> find_rcdata(HMODULE module, const wchar_t* name);

}  // namespace vl
