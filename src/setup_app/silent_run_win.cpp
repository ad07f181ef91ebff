#include "setup_app/silent_run.h"

#include <cstring>

namespace vl {
namespace {

bool payload_header_usable(std::span<const uint8_t> blob) {
  if (blob.size() < 20 || std::memcmp(blob.data(), "VLPL", 4) != 0) return false;
  uint32_t version = blob[4] | (blob[5] << 8) | (blob[6] << 16) | (static_cast<uint32_t>(blob[7]) << 24);
  return version == 1;
}

}  // namespace

int run_silent(StartupContext context) {
  if (!payload_header_usable(context.payload_blob)) return 2;
  // The installation itself is not wired up yet.
  return 1;
}

}  // namespace vl
