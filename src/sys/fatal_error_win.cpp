#include "sys/fatal_error_win.h"

#include <cstdint>
#include <string>

namespace vl {

namespace {

// A line of bounded length built in place: the fatal path may run because the heap is exhausted,
// so it allocates nothing. A text that does not fit is cut.
class FixedLine {
 public:
  void add(const wchar_t* text, size_t length) {
    for (size_t i = 0; i < length && used_ + 1 < CAPACITY; ++i) buffer_[used_++] = text[i];
    buffer_[used_] = L'\0';
  }
  void add(const wchar_t* text) { add(text, std::char_traits<wchar_t>::length(text)); }
  // UTF-8 in, as the program's texts are.
  void add_utf8(const char* text) {
    const int written = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, buffer_ + used_,
                                              static_cast<int>(CAPACITY - used_));
    // The count includes the terminator. A text too long for the rest of the line fails the
    // call whole, so its bytes are then taken one by one (exact for ASCII).
    if (written > 0) {
      used_ += static_cast<size_t>(written) - 1;
      return;
    }
    for (; *text != '\0' && used_ + 1 < CAPACITY; ++text)
      buffer_[used_++] = static_cast<unsigned char>(*text);
    buffer_[used_] = L'\0';
  }
  const wchar_t* text() const { return buffer_; }
  size_t size() const { return used_; }

 private:
  static constexpr size_t CAPACITY = 1024;
  wchar_t buffer_[CAPACITY] = {};
  size_t used_ = 0;
};

const char* g_program_name = nullptr;

}  // namespace

void set_fatal_program_name(const char* name) { g_program_name = name; }

void fatal_error(const char* what, HRESULT code) {
  wchar_t code_text[] = L"0x00000000";
  for (uint32_t value = static_cast<uint32_t>(code), i = 10; value != 0; value >>= 4)
    code_text[--i] = L"0123456789ABCDEF"[value & 0xF];
  wchar_t message[512];
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(code), 0, message, 512, nullptr);
  while (length > 0 && (message[length - 1] == L'\r' || message[length - 1] == L'\n' ||
                        message[length - 1] == L' '))
    --length;

  FixedLine line;
  if (g_program_name != nullptr) {
    line.add_utf8(g_program_name);
    line.add(L": ");
  }
  line.add(L"fatal: ");
  line.add_utf8(what);
  line.add(L": ");
  if (length > 0) {
    line.add(message, length);
  } else {
    line.add(L"error ");
    line.add(code_text);
  }
  line.add(L" (");
  line.add(code_text);
  line.add(L")\n");
  ::OutputDebugStringW(line.text());
  HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  if (err != nullptr && err != INVALID_HANDLE_VALUE) {
    char utf8[3 * 1024];
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.text(), static_cast<int>(line.size()),
                                            utf8, sizeof utf8, nullptr, nullptr);
    DWORD written = 0;
    if (bytes > 0) ::WriteFile(err, utf8, static_cast<DWORD>(bytes), &written, nullptr);
  }
  ::ExitProcess(static_cast<UINT>(code));
}

}  // namespace vl
