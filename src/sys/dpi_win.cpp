#include "sys/dpi_win.h"

#include <cstdint>

#include "sys/system_dll_win.h"

namespace vl {

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

}  // namespace vl
