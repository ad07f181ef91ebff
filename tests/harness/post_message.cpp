// Sends a message to the installer's window (class "VeriluneSetupWindow") from outside, as the
// worker thread, the taskbar or the system would:
//   post_message app        WM_APP + 1 (the worker's notification)
//   post_message close      WM_CLOSE
//   post_message sysclose   WM_SYSCOMMAND SC_CLOSE (the taskbar button's Close)
//   post_message iconic     no message: exit status 0 when the window is minimised
//   post_message repaint    invalidates the window every millisecond until it is gone (at
//                           most 120 s), so a WM_PAINT is always waiting: exit status 0 once
//                           the window has gone, 1 if it never came or outlived the 120 s
// Exit status 0 on success, 1 when no such window exists or the question's answer is no,
// 2 on a bad argument.
#include <windows.h>

#include <cwchar>
#include <string>

#include "product/product.h"
#include "sys/text_win.h"
#include "ui/run_window.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const wchar_t* what = argv[1];
  const std::wstring window_class = vl::to_wide(vl::WINDOW_CLASS_NAME);
  HWND hwnd = ::FindWindowW(window_class.c_str(), nullptr);
  if (std::wcscmp(what, L"repaint") == 0) {
    // Waits for the window first: the caller starts this beside the installer.
    const ULONGLONG deadline = ::GetTickCount64() + 120000;
    while (hwnd == nullptr && ::GetTickCount64() < deadline) {
      ::Sleep(10);
      hwnd = ::FindWindowW(window_class.c_str(), nullptr);
    }
    while (hwnd != nullptr && ::IsWindow(hwnd)) {
      if (::GetTickCount64() >= deadline) return 1;
      ::InvalidateRect(hwnd, nullptr, FALSE);
      ::Sleep(1);
    }
    return hwnd != nullptr ? 0 : 1;
  }
  if (hwnd == nullptr) return 1;
  if (std::wcscmp(what, L"app") == 0) return ::PostMessageW(hwnd, vl::WM_APP_NOTIFY, 0, 0) ? 0 : 1;
  if (std::wcscmp(what, L"close") == 0) return ::PostMessageW(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
  if (std::wcscmp(what, L"sysclose") == 0) {
    return ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  }
  if (std::wcscmp(what, L"iconic") == 0) return ::IsIconic(hwnd) ? 0 : 1;
  return 2;
}
