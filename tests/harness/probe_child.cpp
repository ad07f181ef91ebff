// A stand-in for the programs the installer starts (bootstrapper, application, elevated copy).
// It records how it was started and exits with a chosen code:
//   exit code: the first argument when it is a number (decimal or 0x hex), else the
//              environment variable VL_PROBE_EXIT, else 0;
//   record:    when VL_PROBE_RECORD names a file, it writes (UTF-8, one item a line)
//              "command_line=…", "elevated=0|1", "cwd=…" and whether its own file could be
//              opened for deletion or renaming while it runs ("own_delete=0|1") to it,
//              atomically by rename.
//              When a file "<own path>.record-wanted" exists it writes "<own path>.record"
//              instead, whatever the environment (a program started by the desktop shell has
//              the shell's environment, not the test's).
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "sys/elevation_win.h"
#include "sys/text_win.h"

namespace {

bool parse_code(const wchar_t* text, DWORD& code) {
  if (!text || !*text) return false;
  wchar_t* end = nullptr;
  unsigned long value = wcstoul(text, &end, 0);
  if (!end || *end) return false;
  code = static_cast<DWORD>(value);
  return true;
}

std::wstring environment(const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
  if (length == 0 || length >= 1024) return {};
  return std::wstring(buffer, length);
}

// Whether this program's file can be opened with `access` while it runs, sharing everything.
// (Writing is refused by the system for any running program; deleting and renaming are not.)
const char* own_file_opens(const std::wstring& own_path, DWORD access) {
  HANDLE file =
      CreateFileW(own_path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "0";
  CloseHandle(file);
  return "1";
}

void write_record(const std::wstring& path, const std::wstring& own_path) {
  wchar_t cwd[MAX_PATH];
  DWORD cwd_length = GetCurrentDirectoryW(MAX_PATH, cwd);
  std::string text = "command_line=" + vl::from_wide(GetCommandLineW()).value_or("?") + "\n" +
                     "elevated=" + (vl::is_process_elevated() ? "1" : "0") + "\n" +
                     "cwd=" + vl::from_wide(std::wstring_view(cwd, cwd_length)).value_or("?") +
                     "\n" + "own_delete=" + own_file_opens(own_path, DELETE) + "\n";
  std::wstring temporary = path + L".tmp";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  DWORD code = 0;
  if (!(argc > 1 && parse_code(argv[1], code))) {
    std::wstring from_environment = environment(L"VL_PROBE_EXIT");
    if (!parse_code(from_environment.c_str(), code)) code = 0;
  }
  // The marker beside the program wins: a program started by the desktop shell carries the
  // shell's environment, which may hold a variable inherited from an earlier test.
  wchar_t own[MAX_PATH * 2];
  DWORD own_length = GetModuleFileNameW(nullptr, own, MAX_PATH * 2);
  std::wstring own_path(own, own_length);
  std::wstring record;
  if (GetFileAttributesW((own_path + L".record-wanted").c_str()) != INVALID_FILE_ATTRIBUTES)
    record = own_path + L".record";
  else
    record = environment(L"VL_PROBE_RECORD");
  if (!record.empty()) write_record(record, own_path);
  ExitProcess(code);
}
