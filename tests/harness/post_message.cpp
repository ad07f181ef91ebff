// Sends a message to the installer's window (class "VeriluneSetupWindow") from outside, as the
// worker thread, the taskbar or the system would:
//   post_message app        WM_APP + 1 (the worker's notification)
//   post_message close      WM_CLOSE
//   post_message sysclose   WM_SYSCOMMAND SC_CLOSE (the taskbar button's Close)
//   post_message iconic     no message: exit status 0 when the window is minimised
// Exit status 0 on success, 1 when no such window exists or the question's answer is no,
// 2 on a bad argument.
#include <windows.h>

#include <cwchar>

#include "product/product.h"
#include "sys/text_win.h"
#include "ui/run_window.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  HWND hwnd = ::FindWindowW(vl::to_wide(vl::WINDOW_CLASS_NAME).c_str(), nullptr);
  if (hwnd == nullptr) return 1;
  const wchar_t* what = argv[1];
  if (std::wcscmp(what, L"app") == 0) return ::PostMessageW(hwnd, vl::WM_APP_NOTIFY, 0, 0) ? 0 : 1;
  if (std::wcscmp(what, L"close") == 0) return ::PostMessageW(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
  if (std::wcscmp(what, L"sysclose") == 0) {
    return ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  }
  if (std::wcscmp(what, L"iconic") == 0) return ::IsIconic(hwnd) ? 0 : 1;
  return 2;
}
