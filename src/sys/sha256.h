#pragma once
// SHA-256 (FIPS 180-4) of a byte range, portable: the installer checks its payload with it
// before it changes anything, without loading a system library for it.
#include <array>
#include <cstdint>
#include <span>

namespace vl {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest sha256(std::span<const uint8_t> bytes);

}  // namespace vl
