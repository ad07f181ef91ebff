#pragma once
// Images embedded in the executable as RCDATA resources (the logo is "LOGO" in setup.rc; the
// drawing code names it "logo"). The bytes stay in the mapped image: nothing is copied.
#include <cstdint>
#include <span>

namespace vl {

// The bytes of the RCDATA resource `name` of the running executable; empty when it is absent.
std::span<const uint8_t> embedded_rcdata(const wchar_t* name);

// The logo PNG ("LOGO"), empty when the executable carries none.
inline std::span<const uint8_t> embedded_logo() { return embedded_rcdata(L"LOGO"); }

}  // namespace vl
