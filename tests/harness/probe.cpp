// probe: a child process for the launcher's tests.
//   probe.exe elevation   prints "elevated=<0|1> type=<default|full|limited>" and exits with
//                         16 * TokenIsElevated + TOKEN_ELEVATION_TYPE (a limited token: 3,
//                         a full one: 18); 255 when the token cannot be read
//   probe.exe exit <code> exits with <code> (decimal or 0x-prefixed hexadecimal, 32 bits)
//   probe.exe cmdline     prints its raw command line (UTF-8) between '[' and ']' and exits 0
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace {

int report_elevation() {
  vl::UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return 255;
  TOKEN_ELEVATION elevation{};
  TOKEN_ELEVATION_TYPE type{};
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) ||
      !GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size)) {
    return 255;
  }
  const char* type_name = type == TokenElevationTypeFull      ? "full"
                          : type == TokenElevationTypeLimited ? "limited"
                                                              : "default";
  std::printf("elevated=%d type=%s\n", elevation.TokenIsElevated ? 1 : 0, type_name);
  std::fflush(stdout);
  return (elevation.TokenIsElevated ? 16 : 0) + static_cast<int>(type);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"elevation") return report_elevation();
  if (command == L"exit" && argc > 2) {
    wchar_t* end = nullptr;
    const unsigned long code = std::wcstoul(argv[2], &end, 0);
    if (end == argv[2] || *end != L'\0') return 255;
    ExitProcess(static_cast<UINT>(code));
  }
  if (command == L"cmdline") {
    const auto text = vl::from_wide(GetCommandLineW());
    std::printf("[%s]\n", text ? text->c_str() : "<invalid UTF-16>");
    std::fflush(stdout);
    return 0;
  }
  std::fprintf(stderr, "usage: probe.exe elevation | exit <code> | cmdline\n");
  return 255;
}
