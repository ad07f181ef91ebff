// hold_file <path> <share> [--create]
//
// Holds a file open until told to stop, for tests of files in use. <share> is any combination
// of the letters r, w and d (FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_DELETE) or "-" for no
// sharing at all. The file is opened for reading (GENERIC_READ), like a running program's image,
// so other openers are refused exactly when they ask for something the share letters do not
// allow: "rd" behaves like a loaded executable (it may be renamed but not written), "r" also
// refuses renaming and deleting. --create creates the file when it is missing (otherwise it must
// exist).
//
// Once the file is open the program prints "holding" on stdout (flushed), then waits until a line
// arrives on stdin or stdin is closed, closes the handle and exits 0. It prints an error on
// stderr and exits 1 when the file cannot be opened, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace {

std::optional<DWORD> parse_share(const std::wstring& text) {
  if (text == L"-") return 0;
  if (text.empty()) return std::nullopt;
  DWORD share = 0;
  for (wchar_t c : text) {
    switch (c) {
      case L'r': share |= FILE_SHARE_READ; break;
      case L'w': share |= FILE_SHARE_WRITE; break;
      case L'd': share |= FILE_SHARE_DELETE; break;
      default: return std::nullopt;
    }
  }
  return share;
}

// Returns when a line feed arrives, stdin ends, or stdin cannot be read at all.
void wait_for_line_or_end() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return;
  char c = 0;
  DWORD read = 0;
  while (ReadFile(input, &c, 1, &read, nullptr) && read == 1) {
    if (c == '\n') return;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool create = argc == 4 && std::wstring(argv[3]) == L"--create";
  const auto share = argc >= 3 ? parse_share(argv[2]) : std::nullopt;
  if (argc < 3 || argc > 4 || (argc == 4 && !create) || !share) {
    std::fprintf(stderr, "usage: hold_file.exe <path> <share: letters r w d, or -> [--create]\n");
    return 2;
  }
  vl::UniqueHandle file(CreateFileW(argv[1], GENERIC_READ, *share, nullptr,
                                    create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    const auto path = vl::from_wide(argv[1]).value_or("?");
    std::fprintf(stderr, "hold_file: «%s»: %s\n", path.c_str(), vl::system_message(error).c_str());
    return 1;
  }
  std::printf("holding\n");
  std::fflush(stdout);
  wait_for_line_or_end();
  return 0;
}
