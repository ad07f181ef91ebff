#pragma once
// The payload blob the build embeds in the executable (RCDATA resource "PAYLOAD") and the
// SHA-256 it recorded for that blob (RCDATA resource "PAYLOAD_SHA256", 64 hex digits).
#include <windows.h>

#include <cstdint>
#include <span>

namespace vl {

// The bytes of the RCDATA resource "PAYLOAD" of `module` (the running executable when null),
// read in place; empty when there is none.
std::span<const uint8_t> find_embedded_payload(HMODULE module = nullptr);

// The bytes of the RCDATA resource "PAYLOAD_SHA256" of `module`, likewise; empty when none.
std::span<const uint8_t> find_embedded_payload_digest(HMODULE module = nullptr);

}  // namespace vl
