#include "payload/embedded_payload_win.h"

#include "sys/rcdata_win.h"

namespace vl {

std::span<const uint8_t> find_embedded_payload(HMODULE module) { return find_rcdata(module, L"PAYLOAD"); }

std::span<const uint8_t> find_embedded_payload_digest(HMODULE module) {
  return find_rcdata(module, L"PAYLOAD_SHA256");
}

}  // namespace vl
