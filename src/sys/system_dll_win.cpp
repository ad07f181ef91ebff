#include "sys/system_dll_win.h"

#include <cstdint>
#include <string>

namespace vl {

UniqueModule load_system_dll(const wchar_t* name) {
  return UniqueModule(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

void enable_per_monitor_dpi_awareness() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  if (auto set_context = find_user32_proc<SetContext>("SetProcessDpiAwarenessContext")) {
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    if (set_context(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)))) return;
  }
  using SetAware = BOOL(WINAPI*)();
  if (auto set_aware = find_user32_proc<SetAware>("SetProcessDPIAware")) set_aware();
}

UINT window_dpi(HWND hwnd) {
  using GetDpi = UINT(WINAPI*)(HWND);
  // Looked up per call (once per window): no lazily initialised static to guard.
  const GetDpi get_dpi = find_user32_proc<GetDpi>("GetDpiForWindow");
  return get_dpi != nullptr ? get_dpi(hwnd) : 0;
}

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

}  // namespace

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
  line.add(L"Verilune Setup: fatal: ");
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

void restrict_dll_search() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto set_default = find_proc<SetDefaultDllDirectoriesFn>(GetModuleHandleW(L"kernel32.dll"),
                                                           "SetDefaultDllDirectories");
  if (!set_default || !set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

}  // namespace vl
