#include "sys/own_copy_win.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "sys/elevation_win.h"
#include "sys/own_copy.h"
#include "sys/paths.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {
namespace {

// Copies every byte of `from` into `to`; the error of the first call that fails, else 0.
DWORD copy_contents(HANDLE from, HANDLE to) {
  std::vector<char> buffer(256 * 1024);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
      return GetLastError();
    if (read == 0) return 0;
    DWORD written = 0;
    if (!WriteFile(to, buffer.data(), read, &written, nullptr)) return GetLastError();
    if (written != read) return ERROR_WRITE_FAULT;
  }
}

std::string system_folder() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return from_wide(std::wstring_view(buffer, length)).value_or("");
}

// Starts cmd.exe from the system folder with `command`, working there, with no window.
bool start_command_processor(const std::string& system, const std::string& command) {
  const std::string program = join_path(system, "cmd.exe");
  std::wstring line = to_wide("\"" + program + "\" " + command);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(to_wide(program).c_str(), line.data(), nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW, nullptr, to_wide(system).c_str(), &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

Status start_own_copy(std::string_view folder, std::string_view file_name,
                      std::string_view arguments) {
  const std::string own = own_module_path();
  const std::string copy = join_path(folder, file_name);
  const std::string system = system_folder();
  const std::optional<std::string> command =
      copy_and_sweep_command(copy, arguments, folder, system);
  if (!command || system.empty()) return fail(copy + ": " + system_message(ERROR_BAD_PATHNAME));
  UniqueHandle source(CreateFileW(to_wide(own).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source) return fail(last_error_text(own));
  const std::wstring wide_copy = to_wide(copy);
  UniqueHandle target(CreateFileW(wide_copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!target) return fail(last_error_text(copy));
  DWORD error = copy_contents(source.get(), target.get());
  target.reset();
  if (error == 0 && !start_command_processor(system, *command)) error = GetLastError();
  if (error != 0) {
    DeleteFileW(wide_copy.c_str());
    return fail(copy + ": " + system_message(error));
  }
  return Status::success();
}

}  // namespace vl
