#include "sys/processes_win.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>

#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

namespace {

constexpr DWORD TERMINATE_WAIT_MS = 5000;
constexpr DWORD IMAGE_PATH_CAPACITY = 1024;

std::string snapshot_name(const PROCESSENTRY32W& entry) {
  const wchar_t* name = entry.szExeFile;
  size_t length = wcsnlen(name, MAX_PATH);
  // A name that is not valid UTF-16 cannot equal any name we look for.
  return from_wide(std::wstring_view(name, length)).value_or(std::string());
}

std::optional<std::string> read_image_path(DWORD pid) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return std::nullopt;
  wchar_t buffer[IMAGE_PATH_CAPACITY];
  DWORD size = IMAGE_PATH_CAPACITY;
  if (!QueryFullProcessImageNameW(process.get(), 0, buffer, &size)) return std::nullopt;
  return from_wide(std::wstring_view(buffer, size));
}

}  // namespace

std::vector<ProcessRecord> snapshot_processes(std::string_view read_paths_for) {
  std::vector<ProcessRecord> records;
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return records;
  std::string wanted = lower_full(read_paths_for);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    ProcessRecord record{entry.th32ProcessID, snapshot_name(entry), std::nullopt};
    if (!wanted.empty() && lower_full(record.exe_name) == wanted)
      record.image_path = read_image_path(entry.th32ProcessID);
    records.push_back(std::move(record));
  }
  return records;
}

Result<uint32_t> wait_for_exit_code(HANDLE process, std::string_view subject, DWORD wait_ms) {
  const DWORD waited = WaitForSingleObject(process, wait_ms);
  if (waited == WAIT_TIMEOUT)
    return fail(format_text(TEXT_CHILD_TIMED_OUT, {subject, std::to_string(wait_ms / 60000)}));
  if (waited != WAIT_OBJECT_0) return fail(last_error_text(subject));
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) return fail(last_error_text(subject));
  return static_cast<uint32_t>(code);
}

void terminate_processes(const std::vector<uint32_t>& ids) {
  for (uint32_t pid : ids) {
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) continue;
    if (!TerminateProcess(process.get(), 1)) continue;
    WaitForSingleObject(process.get(), TERMINATE_WAIT_MS);
  }
}

namespace {

struct CloseRequest {
  const std::vector<uint32_t>* ids;
  int asked = 0;
};

// The input-method windows the system gives every GUI thread: closing one would only break the
// application's text input if it keeps running.
bool is_input_method_window(HWND window) {
  wchar_t name[32];
  int length = GetClassNameW(window, name, 32);
  std::wstring_view class_name(name, length > 0 ? length : 0);
  return class_name == L"IME" || class_name == L"MSCTFIME UI";
}

BOOL CALLBACK post_close_to_window(HWND window, LPARAM context) {
  auto* request = reinterpret_cast<CloseRequest*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (std::find(request->ids->begin(), request->ids->end(), pid) != request->ids->end() &&
      !is_input_method_window(window)) {
    if (PostMessageW(window, WM_CLOSE, 0, 0)) ++request->asked;
  }
  return TRUE;
}

}  // namespace

int request_close(const std::vector<uint32_t>& ids) {
  if (ids.empty()) return 0;
  CloseRequest request{&ids};
  EnumWindows(post_close_to_window, reinterpret_cast<LPARAM>(&request));
  return request.asked;
}

}  // namespace vl
