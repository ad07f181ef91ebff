#include "sys/elevation_win.h"

#include <shellapi.h>

#include <vector>

#include "sys/com_win.h"
#include "sys/processes_win.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

bool is_process_elevated() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD returned = 0;
  if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &returned))
    return false;
  return elevation.TokenIsElevated != 0;
}

std::string own_module_path() {
  std::vector<wchar_t> buffer(512);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return from_wide(std::wstring_view(buffer.data(), length)).value_or("");
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    buffer.resize(buffer.size() * 2);
  }
}

ElevationOutcome relaunch_elevated(std::string_view program, std::string_view arguments, HWND parent,
                                   const std::function<void()>& on_child_started, DWORD wait_ms) {
  // ShellExecuteExW may hand the request to shell extensions that need an apartment.
  ComApartment com;
  std::wstring file = to_wide(program);
  std::wstring parameters = to_wide(arguments);

  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // No error box from the shell: the unattended run must never wait on a window, and the
  // wizard shows the failure text itself. The consent prompt is not affected.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.hwnd = parent;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
    if (static_cast<uint32_t>(hr) == HRESULT_ELEVATION_CANCELLED) return ElevationOutcome::declined();
    return ElevationOutcome::failed(hresult_message(hr));
  }
  UniqueHandle process(info.hProcess);
  // The shell may hand the request on without a process (DDE, an already running handler):
  // whether the copy ran and how it ended is then unknown, which is not success.
  if (!process) return ElevationOutcome::failed(std::string(TEXT_ELEVATED_COPY_UNKNOWN));
  if (on_child_started) on_child_started();
  Result<uint32_t> code = wait_for_exit_code(process.get(), program, wait_ms);
  if (!code) return ElevationOutcome::failed(code.error());
  return ElevationOutcome::finished(*code);
}

}  // namespace vl
