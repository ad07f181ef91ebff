#pragma once
// SHA-256 (FIPS 180-4) of a byte range, portable: the installer checks its payload with it
// before it changes anything, without loading a system library for it.
#include <array>
#include <cstdint>
#include <span>

namespace vl {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest sha256(std::span<const uint8_t> bytes);

// The same digest over bytes given in pieces, in order.
class Sha256 {
 public:
  Sha256();
  void update(std::span<const uint8_t> bytes);
  Sha256Digest finish();  // once

 private:
  uint32_t state_[8];
  uint8_t pending_[64];
  size_t pending_size_ = 0;
  uint64_t length_ = 0;
};

}  // namespace vl
