#include "sys/text_win.h"

#include "sys/text.h"
#include "sys/unique_handle_win.h"

namespace vl {

std::wstring to_wide(std::string_view utf8) {
  std::u16string wide = utf8_to_utf16(utf8);
  return std::wstring(wide.begin(), wide.end());
}

std::optional<std::string> from_wide(std::wstring_view utf16) {
  return utf16_to_utf8(std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
}

std::optional<std::string> from_wide(const wchar_t* utf16) {
  if (!utf16) return std::nullopt;
  return from_wide(std::wstring_view(utf16));
}

std::string hresult_message(HRESULT hr) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length && buffer) {
    std::wstring_view view(buffer, length);
    while (!view.empty() && (view.back() == L'\r' || view.back() == L'\n' || view.back() == L' '))
      view.remove_suffix(1);
    text = from_wide(view).value_or("");
  }
  if (buffer) LocalFree(buffer);
  if (text.empty()) {
    text = "error " + hex_code(static_cast<uint32_t>(hr));
  }
  return text;
}

std::string system_message(DWORD error) { return hresult_message(static_cast<HRESULT>(error)); }

std::string last_error_text(std::string_view subject) {
  DWORD error = GetLastError();
  return std::string(subject) + ": " + system_message(error);
}

}  // namespace vl
