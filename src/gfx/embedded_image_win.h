#pragma once
// Images embedded in the executable as RCDATA resources (the logo is "LOGO" in setup.rc; the
// drawing code names it "logo"). The bytes stay in the mapped image: nothing is copied.
#include <cstdint>
#include <span>

#include "sys/rcdata_win.h"

namespace vl {

// The logo PNG ("LOGO"), empty when the executable carries none.
inline std::span<const uint8_t> embedded_logo() { return find_rcdata(nullptr, L"LOGO"); }

}  // namespace vl
