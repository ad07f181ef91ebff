#pragma once
// UTF-8 <-> UTF-16 at the Windows boundary, and system error texts.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace vl {

std::wstring to_wide(std::string_view utf8);
// nullopt when the UTF-16 is not valid (unpaired surrogates): such text counts as missing.
std::optional<std::string> from_wide(std::wstring_view utf16);
std::optional<std::string> from_wide(const wchar_t* utf16);

// The system's message for a Win32 error or an HRESULT, without its trailing line break.
std::string system_message(DWORD error);
std::string hresult_message(HRESULT hr);
// "{subject}: {system message}" for the last error.
std::string last_error_text(std::string_view subject);

}  // namespace vl
