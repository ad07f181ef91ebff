#pragma once
// The payload blob the build embeds in the executable (RCDATA resource "PAYLOAD").
#include <windows.h>

#include <cstdint>
#include <span>

namespace vl {

// The bytes of the RCDATA resource "PAYLOAD" of `module` (the running executable when null),
// read in place; empty when there is none.
std::span<const uint8_t> find_embedded_payload(HMODULE module = nullptr);

}  // namespace vl
