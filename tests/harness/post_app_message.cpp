// Posts WM_APP + 1 to the installer's window (class "VeriluneSetupWindow"), as the worker
// thread does. Exit status 0 when posted, 1 when no such window exists.
#include <windows.h>

#include "ui/run_window.h"

int wmain() {
  HWND hwnd = ::FindWindowW(vl::WINDOW_CLASS_NAME, nullptr);
  if (hwnd == nullptr) return 1;
  return ::PostMessageW(hwnd, vl::WM_APP_NOTIFY, 0, 0) ? 0 : 1;
}
