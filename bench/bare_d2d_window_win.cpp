// The floor under the installer's first frame: a window that creates only a Direct2D HWND
// render target and clears it to white on its first WM_PAINT, nothing else (no COM, no text,
// no images). bench/run-wizard-bench times it to first paint beside the installer.
#include <windows.h>
#include <d2d1.h>

namespace {

ID2D1Factory* g_factory = nullptr;
ID2D1HwndRenderTarget* g_target = nullptr;

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      ::BeginPaint(hwnd, &paint);
      RECT client{};
      ::GetClientRect(hwnd, &client);
      if (g_target == nullptr) {
        const D2D1_RENDER_TARGET_PROPERTIES props = D2D1::RenderTargetProperties();
        const D2D1_HWND_RENDER_TARGET_PROPERTIES hwnd_props = D2D1::HwndRenderTargetProperties(
            hwnd, D2D1::SizeU(client.right - client.left, client.bottom - client.top));
        g_factory->CreateHwndRenderTarget(&props, &hwnd_props, &g_target);
      }
      if (g_target != nullptr) {
        g_target->BeginDraw();
        g_target->Clear(D2D1::ColorF(1.0f, 1.0f, 1.0f));
        g_target->EndDraw();
      }
      ::EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (FAILED(::D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, &g_factory))) return 2;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"BareD2DWindow";
  ::RegisterClassExW(&wc);
  HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"Bare D2D", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                100, 100, 420, 580, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) return 3;
  ::ShowWindow(hwnd, SW_SHOW);
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
