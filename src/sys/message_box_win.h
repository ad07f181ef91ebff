#pragma once
// The programs' own message boxes: owned by no window (none exists yet, or ever, when they
// are shown) and brought to the foreground.
#include <windows.h>

#include <string_view>

namespace vl {

// MessageBoxW with `style` | MB_SETFOREGROUND; the button pressed (IDYES…).
int show_message_box(std::string_view caption, std::string_view text, UINT style);

}  // namespace vl
