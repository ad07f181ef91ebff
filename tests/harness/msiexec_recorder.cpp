// A stand-in msiexec.exe for tests, placed as "msiexec.exe" in a test-only System folder.
// It appends its whole command line (UTF-8, one line) to msiexec-record.txt beside itself, then
// hands the arguments verbatim to the real msiexec.exe of the System folder and exits with its
// code. With VL_MSIEXEC_EXIT_CODE set in the environment it forwards nothing and exits with
// that code instead (for the tests of msiexec's exit codes).
#include <windows.h>

#include <cwchar>
#include <string>
#include <string_view>

#include "command_tail.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace {

std::wstring own_path() {
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path;
}

std::wstring folder_of(const std::wstring& path) {
  size_t cut = path.find_last_of(L'\\');
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

bool append_record(const std::wstring& file, std::wstring_view line) {
  vl::UniqueHandle handle(CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return false;
  std::string text = vl::from_wide(line).value_or("(invalid UTF-16)") + "\r\n";
  DWORD written = 0;
  return WriteFile(handle.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

std::optional<DWORD> exit_code_override() {
  wchar_t buffer[32];
  DWORD length = GetEnvironmentVariableW(L"VL_MSIEXEC_EXIT_CODE", buffer, 32);
  if (length == 0 || length >= 32) return std::nullopt;
  return static_cast<DWORD>(std::wcstoul(buffer, nullptr, 10));
}

}  // namespace

int wmain() {
  std::wstring_view line = GetCommandLineW();
  std::wstring self = own_path();
  if (!append_record(folder_of(self) + L"\\msiexec-record.txt", line)) return 90;
  if (auto code = exit_code_override()) return static_cast<int>(*code);

  wchar_t system[MAX_PATH];
  UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 91;
  std::wstring real = std::wstring(system, length) + L"\\msiexec.exe";
  if (CompareStringOrdinal(real.c_str(), -1, self.c_str(), -1, TRUE) == CSTR_EQUAL) return 92;

  auto program = vl::harness::program_token(line);
  std::wstring child = vl::harness::child_command_line<wchar_t>(
      real, vl::harness::tail_after(line, program.end));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, child.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return 93;
  }
  vl::UniqueHandle process(info.hProcess);
  vl::UniqueHandle thread(info.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}
