#include "sys/system_dll_win.h"

#include <string>

#include "sys/text.h"
#include "sys/text_win.h"

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

void fatal_error(const char* what, HRESULT code) {
  const std::string line = std::string("Verilune Setup: fatal: ") + what + ": " +
                           hresult_message(code) + " (" + hex_code(static_cast<uint32_t>(code)) +
                           ")\n";
  ::OutputDebugStringW(to_wide(line).c_str());
  HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  if (err != nullptr && err != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
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
