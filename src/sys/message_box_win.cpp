#include "sys/message_box_win.h"

#include "sys/text_win.h"

namespace vl {

int show_message_box(std::string_view caption, std::string_view text, UINT style) {
  return ::MessageBoxW(nullptr, to_wide(text).c_str(), to_wide(caption).c_str(), style | MB_SETFOREGROUND);
}

}  // namespace vl
