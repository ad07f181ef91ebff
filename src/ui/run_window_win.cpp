// The installer's single top-level window: class, factories, placement, message loop, the
// window procedure and the Direct2D frame cycle.
#include <windows.h>
#include <d2d1.h>
#include <dwmapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "gfx/d2d_surface_win.h"
#include "gfx/draw_context.h"
#include "gfx/graphics_factories_win.h"
#include "gfx/graphics_warmup_win.h"
#include "sys/com_win.h"
#include "sys/phase_times.h"
#include "sys/dpi_win.h"
#include "sys/fatal_error_win.h"
#include "sys/system_dll_win.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"
#include "ui/accessibility_win.h"
#include "ui/frame_context.h"
#include "ui/frame_cycle.h"
#include "ui/interaction.h"
#include "ui/run_window.h"
#include "ui/window_geometry.h"

namespace vl {
namespace {

constexpr DWORD DWMWA_WINDOW_CORNER_PREFERENCE_ID = 33;
constexpr DWORD DWMWCP_ROUND_VALUE = 2;
// An accessibility client's press of a target, carried out after its call has returned;
// wParam is the target id.
constexpr UINT WM_APP_ACCESS_PRESS = WM_APP + 2;
// The timer of a close the application asked for after a delay (request_close_after).
constexpr UINT_PTR CLOSE_TIMER_ID = ANIMATION_TIMER_ID + 1;

double monotonic_seconds() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class HostControl final : public WindowControl {
 public:
  HWND hwnd = nullptr;
  ComPtr<ITaskbarList3> taskbar;
  const FrameClock* clock = nullptr;

  double clock_time() const override { return clock ? clock->time_at(monotonic_seconds()) : 0.0; }

  void set_taskbar_progress(bool active, float fraction) override {
    if (!taskbar) {
      ensure_main_thread_com();
      ComPtr<ITaskbarList3> created;
      if (FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(ITaskbarList3), created.put_void())) ||
          !created || FAILED(created->HrInit())) {
        return;  // tried again on the next call
      }
      taskbar = std::move(created);
    }
    if (active) {
      taskbar->SetProgressState(hwnd, TBPF_NORMAL);
      taskbar->SetProgressValue(hwnd, taskbar_progress_value(fraction), 1000);
    } else {
      taskbar->SetProgressState(hwnd, TBPF_NOPROGRESS);
    }
  }

  void* window_handle() const override { return hwnd; }
};

// Everything the window owns; lives on run_window's stack frame, reached from the window
// procedure through GWLP_USERDATA.
struct WindowState final : AccessibleSource {
  WindowState(std::unique_ptr<WindowApp> application, GraphicsFactories& factories)
      : factories(factories), app(std::move(application)), surface(factories), draw(surface),
        clock(monotonic_seconds()) {
    control.clock = &clock;
  }

  // AccessibleSource: what screen readers read from the last frame and ask of the window.
  std::vector<AccessibleItem> accessible_items() override {
    return vl::accessible_items(input.access_active, input.focus);
  }
  float current_dpi() const override { return dpi; }
  void press(uint32_t id) override { ::PostMessageW(hwnd, WM_APP_ACCESS_PRESS, id, 0); }
  void take_focus(uint32_t id) override {
    input.focus = id;
    input.focus_visible = true;
    ::InvalidateRect(hwnd, nullptr, FALSE);
  }

  GraphicsFactories& factories;
  HWND hwnd = nullptr;
  std::unique_ptr<WindowApp> app;
  D2DSurface surface;
  DrawContext draw;
  InteractionState input;
  FrameClock clock;
  ComPtr<ID2D1HwndRenderTarget> render_target;
  float dpi = 96.0f;
  bool timer_running = false;
  unsigned timer_ms = 0;  // the running timer's period
  bool timer_paced = false;  // the running timer keeps a pace the frame asked for
  float last_frame_seconds = 0.0f;
  bool tracking_leave = false;
  bool destroyed = false;
  std::optional<double> close_at;  // monotonic seconds of a delayed close's end
  HostControl control;
  WindowAccessibility accessibility{*this};  // last: detached before the rest goes
};

void invalidate(HWND hwnd) { ::InvalidateRect(hwnd, nullptr, FALSE); }

void store_dpi(WindowState& w, float dpi) {
  if (dpi_changed(w.dpi, dpi)) {
    w.dpi = dpi;
    w.surface.set_dpi(dpi);  // empties the bitmap cache
  }
}

// A handler asked to close: the window goes as soon as the handler has returned. A close asked
// for after a delay arms its timer, which runs whether or not frames are drawn; every frame
// also checks the clock (close_if_due), because a window whose WM_PAINT never stops waiting
// is never handed its WM_TIMER.
void destroy_if_requested(WindowState& w) {
  if (std::optional<double> after = w.control.take_close_after(); after && !w.destroyed) {
    const double seconds = std::clamp(*after, 0.0, 600.0);
    w.close_at = monotonic_seconds() + seconds;
    ::SetTimer(w.hwnd, CLOSE_TIMER_ID, static_cast<UINT>(seconds * 1000.0), nullptr);
  }
  if (w.control.close_requested() && !w.destroyed) {
    w.destroyed = true;
    phase::mark("window: destroying");
    ::DestroyWindow(w.hwnd);
  }
}

// The delayed close, once its time has come: from its timer or from a frame, whichever is first.
bool close_if_due(WindowState& w) {
  if (!w.close_at || monotonic_seconds() < *w.close_at) return false;
  w.close_at.reset();
  ::KillTimer(w.hwnd, CLOSE_TIMER_ID);
  phase::mark("window: timed close");
  w.control.request_close();
  destroy_if_requested(w);
  return true;
}

void close_request(WindowState& w) {
  phase::mark("close request");
  w.app->on_close(w.control);
  destroy_if_requested(w);
}

void activate(WindowState& w, uint32_t id) {
  switch (classify_activation(id)) {
    case Activation::Close:
      w.app->on_close(w.control);
      break;
    case Activation::Minimize:
      ::ShowWindow(w.hwnd, SW_MINIMIZE);
      break;
    case Activation::Nothing:
      break;
    case Activation::Action:
      w.app->on_action(id, w.control);
      break;
  }
  destroy_if_requested(w);
}

// ---- the frame cycle ---------------------------------------------------------------------

bool ensure_render_target(WindowState& w, UINT width, UINT height) {
  if (w.render_target) return true;
  const D2D1_RENDER_TARGET_PROPERTIES props{
      D2D1_RENDER_TARGET_TYPE_DEFAULT, {DXGI_FORMAT_UNKNOWN, D2D1_ALPHA_MODE_UNKNOWN}, w.dpi,
      w.dpi, D2D1_RENDER_TARGET_USAGE_NONE, D2D1_FEATURE_LEVEL_DEFAULT};
  const D2D1_HWND_RENDER_TARGET_PROPERTIES hwnd_props{w.hwnd, {width, height},
                                                      D2D1_PRESENT_OPTIONS_NONE};
  ComPtr<ID2D1HwndRenderTarget> created;
  const HRESULT made = phase::timed("frame: render target", [&] {
    return w.factories.d2d->CreateHwndRenderTarget(&props, &hwnd_props, created.put());
  });
  if (FAILED(made) || !created) return false;
  w.surface.attach_target(created.query<ID2D1RenderTarget>());  // the surface's own reference
  w.render_target = std::move(created);
  return true;
}

void drop_render_target(WindowState& w) {
  w.surface.drop_target();
  w.render_target.reset();
}

void update_timer(WindowState& w, const FrameRequest& request, float frame_seconds) {
  const unsigned period = animation_timer_ms(request.min_interval, frame_seconds);
  w.last_frame_seconds = frame_seconds;
  w.timer_paced = request.animate && request.min_interval > 0.0f;
  switch (timer_change(request.animate, w.timer_running)) {
    case TimerChange::Start:
      ::SetTimer(w.hwnd, ANIMATION_TIMER_ID, period, nullptr);
      w.timer_running = true;
      w.timer_ms = period;
      break;
    case TimerChange::Stop:
      ::KillTimer(w.hwnd, ANIMATION_TIMER_ID);
      w.timer_running = false;
      break;
    case TimerChange::None:
      // A paced timer starts again from the end of each frame (SetTimer replaces the running
      // one), so its gap is not eaten by a slow frame.
      if (w.timer_running && (period != w.timer_ms || request.min_interval > 0.0f)) {
        ::SetTimer(w.hwnd, ANIMATION_TIMER_ID, period, nullptr);
        w.timer_ms = period;
      }
      break;
  }
}

// One frame, between BeginPaint and EndPaint.
void render_frame(WindowState& w) {
  if (close_if_due(w)) return;
  RECT client{};
  ::GetClientRect(w.hwnd, &client);
  const UINT width = static_cast<UINT>(std::max<LONG>(0, client.right - client.left));
  const UINT height = static_cast<UINT>(std::max<LONG>(0, client.bottom - client.top));
  // Minimised: nothing drawn, timer left alone. A minimised window keeps a small client area
  // under the custom WM_NCCALCSIZE on some systems (Wine), so being iconic counts as empty too.
  if (width == 0 || height == 0 || ::IsIconic(w.hwnd)) return;

  if (!ensure_render_target(w, width, height)) return;  // tried again on the next WM_PAINT
  if (!w.surface.ready()) {
    // No brush for this target: nothing can be painted; start over on the next frame.
    drop_render_target(w);
    return;
  }
  const D2D1_SIZE_U pixels = w.render_target->GetPixelSize();
  if (pixels.width != width || pixels.height != height) {
    const D2D1_SIZE_U size{width, height};
    w.render_target->Resize(&size);
  }
  std::optional<phase::Timed> drawing(std::in_place, "frame: draw");
  const double began = monotonic_seconds();
  w.render_target->SetDpi(w.dpi, w.dpi);
  w.render_target->BeginDraw();
  const D2D1_MATRIX_3X2_F identity{1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
  w.render_target->SetTransform(&identity);

  const FrameSetup setup{
      pixels_to_dips(static_cast<int>(width), w.dpi),
      pixels_to_dips(static_cast<int>(height), w.dpi), w.dpi,
      w.clock.tick(monotonic_seconds(),
                   frame_step_cap(w.timer_running && w.timer_paced,
                                  static_cast<float>(w.timer_ms) / 1000.0f, w.last_frame_seconds))};
  const FrameRequest request = paint_frame(*w.app, w.draw, w.input, setup);

  if (w.render_target->EndDraw(nullptr, nullptr) == static_cast<HRESULT>(D2DERR_RECREATE_TARGET)) {
    drop_render_target(w);
    invalidate(w.hwnd);  // the next frame rebuilds the device resources and draws again
  }
  drawing.reset();
  phase::mark("frame");
  if (end_frame(w.input)) invalidate(w.hwnd);
  w.accessibility.announce(w.hwnd, w.accessible_items(), setup.times.time);

  if (request.close) {
    w.control.request_close();
    destroy_if_requested(w);
    return;
  }
  update_timer(w, request, static_cast<float>(monotonic_seconds() - began));
}

// ---- input -------------------------------------------------------------------------------

Point dips_from_lparam(const WindowState& w, LPARAM lparam) {
  const PixelPoint p = mouse_point_from_lparam(static_cast<uint32_t>(lparam));
  const float scale = 96.0f / w.dpi;
  return Point{static_cast<float>(p.x) * scale, static_cast<float>(p.y) * scale};
}

void on_mouse_move_message(WindowState& w, LPARAM lparam) {
  const Point p = dips_from_lparam(w, lparam);
  if (!w.tracking_leave) {
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, w.hwnd, 0};
    ::TrackMouseEvent(&track);
    w.tracking_leave = true;
  }
  if (on_mouse_move(w.input, p.x, p.y)) invalidate(w.hwnd);
}

Key key_from_virtual(WPARAM vk) {
  switch (LOWORD(vk)) {
    case VK_TAB:
      return Key::Tab;
    case VK_RETURN:
      return Key::Enter;
    case VK_ESCAPE:
      return Key::Escape;
    case VK_SPACE:
      return Key::Space;
    case VK_UP: return Key::Up;
    case VK_DOWN: return Key::Down;
    case VK_PRIOR: return Key::PageUp;
    case VK_NEXT: return Key::PageDown;
    case VK_HOME: return Key::Home;
    case VK_END: return Key::End;
    default:
      return Key::Other;
  }
}

void on_key_message(WindowState& w, WPARAM wparam, LPARAM lparam) {
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const KeyOutcome outcome = on_key_down(w.input, key_from_virtual(wparam), shift,
                                         is_key_repeat(static_cast<uint32_t>(lparam)));
  switch (outcome.kind) {
    case KeyOutcome::Kind::Activate:
      activate(w, outcome.id);
      break;
    case KeyOutcome::Kind::DefaultAction:
      if (std::optional<uint32_t> id = w.app->default_action()) activate(w, *id);
      break;
    case KeyOutcome::Kind::Close:
      close_request(w);
      break;
    case KeyOutcome::Kind::None:
      break;
  }
}

LRESULT hit_test_message(WindowState& w, WPARAM wparam, LPARAM lparam) {
  const LRESULT result = ::DefWindowProcW(w.hwnd, WM_NCHITTEST, wparam, lparam);
  if (result != HTCLIENT) return result;
  POINT p{static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam))};
  ::ScreenToClient(w.hwnd, &p);
  const float scale = 96.0f / w.dpi;
  const float x = static_cast<float>(p.x) * scale;
  const float y = static_cast<float>(p.y) * scale;
  if (hit_test(w.input.active, x, y)) return HTCLIENT;  // targets keep their clicks
  // Only a point outside every target asks the application for its drag band.
  return is_drag_point(w.input, x, y, w.app->drag_height()) ? HTCAPTION : HTCLIENT;
}

LRESULT handle_message(WindowState& w, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND hwnd = w.hwnd;
  switch (message) {
    case WM_DESTROY:
      phase::mark("window: WM_DESTROY");
      w.destroyed = true;
      ::PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      invalidate(hwnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      ::BeginPaint(hwnd, &paint);
      render_frame(w);
      ::EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_CLOSE:
      close_request(w);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT && shows_hand_cursor(w.input)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_NCCALCSIZE:
      if (wparam == TRUE) return 0;  // the client area is the whole window
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_NCHITTEST:
      return hit_test_message(w, wparam, lparam);
    case WM_NCACTIVATE:
      return ::DefWindowProcW(hwnd, WM_NCACTIVATE, wparam, -1);  // no non-client repaint
    case WM_KEYDOWN:
      on_key_message(w, wparam, lparam);
      invalidate(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE) {
        close_request(w);
        return 0;
      }
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_TIMER:
      if (wparam == CLOSE_TIMER_ID) {
        // Windows may hand the timer over a little before the clock says it is due.
        if (!close_if_due(w) && w.close_at) {
          const double left = *w.close_at - monotonic_seconds();
          ::SetTimer(hwnd, CLOSE_TIMER_ID, static_cast<UINT>(std::ceil(left * 1000.0)), nullptr);
        }
        return 0;
      }
      invalidate(hwnd);
      return 0;
    case WM_MOUSEMOVE:
      on_mouse_move_message(w, lparam);
      return 0;
    case WM_MOUSEWHEEL:
      on_wheel(w.input, GET_WHEEL_DELTA_WPARAM(wparam));
      invalidate(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      on_button_down(w.input);
      ::SetCapture(hwnd);
      invalidate(hwnd);
      return 0;
    case WM_LBUTTONUP: {
      ::ReleaseCapture();
      const Point p = dips_from_lparam(w, lparam);
      if (std::optional<uint32_t> id = on_button_up(w.input, p.x, p.y)) activate(w, *id);
      invalidate(hwnd);
      return 0;
    }
    case WM_MOUSELEAVE:
      w.tracking_leave = false;
      on_mouse_leave(w.input);
      invalidate(hwnd);
      return 0;
    case WM_DPICHANGED: {
      store_dpi(w, static_cast<float>(LOWORD(wparam)));
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      if (suggested != nullptr) {
        ::SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
      }
      invalidate(hwnd);
      return 0;
    }
    case WM_GETOBJECT:
      if (std::optional<LRESULT> answer = w.accessibility.answer(hwnd, wparam, lparam)) {
        return *answer;
      }
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_APP_ACCESS_PRESS: {
      // The page may have moved on, or a prompt opened, since the client read it.
      const uint32_t id = static_cast<uint32_t>(wparam);
      if (is_pressable(w.accessible_items(), id)) activate(w, id);
      invalidate(hwnd);
      return 0;
    }
    case WM_APP_NOTIFY:
      w.app->on_app_message(w.control);
      destroy_if_requested(w);
      // The worker reports after every chunk. While the animation timer runs, its next tick
      // shows what changed: a frame per report would take the processor from the work the
      // frames show. A paced tick can be far off after a slow frame, so what the application
      // asks to show at once (a new page) is drawn now.
      if (w.control.take_frame_request() || !w.timer_running) invalidate(hwnd);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* state = static_cast<WindowState*>(create->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    if (state != nullptr) {
      state->hwnd = hwnd;
      state->control.hwnd = hwnd;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  auto* state = reinterpret_cast<WindowState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (state == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return handle_message(*state, message, wparam, lparam);
}

// ---- start-up ----------------------------------------------------------------------------

void register_window_class(HINSTANCE instance, const wchar_t* class_name) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = window_procedure;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = ::CreateSolidBrush(static_cast<COLORREF>(WINDOW_BACKGROUND_COLORREF));
  wc.lpszClassName = class_name;
  ::RegisterClassExW(&wc);  // a second registration in one process fails harmlessly
}

PixelPoint initial_position(HWND hwnd, std::optional<PixelPoint> start, int32_t width,
                            int32_t height) {
  if (start) return *start;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info);
  const PixelRect work{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  return centred_in(work, width, height);
}

// Keeps the system shadow on the frameless window and asks for rounded corners; both are
// cosmetic and their failures are ignored (dwmapi is loaded from System32 at run time).
void apply_dwm_cosmetics(HWND hwnd) {
  UniqueModule dwmapi = load_system_dll(L"dwmapi.dll");
  using ExtendFrame = HRESULT(WINAPI*)(HWND, const MARGINS*);
  using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
  if (auto extend = find_proc<ExtendFrame>(dwmapi.get(), "DwmExtendFrameIntoClientArea")) {
    const MARGINS margins{0, 0, 0, 1};
    extend(hwnd, &margins);
  }
  if (auto set_attribute = find_proc<SetAttribute>(dwmapi.get(), "DwmSetWindowAttribute")) {
    const DWORD corner = DWMWCP_ROUND_VALUE;
    set_attribute(hwnd, DWMWA_WINDOW_CORNER_PREFERENCE_ID, &corner, sizeof corner);
  }
}

}  // namespace

void run_window(std::unique_ptr<WindowApp> app, std::optional<PixelPoint> start_position,
                std::string_view class_name) {
  // DirectWrite and WIC, the fonts and the text formats are made on a helper thread while this
  // one makes the Direct2D factory and the window; the results are taken before the first frame.
  GraphicsWarmup warmup(app->text_styles());
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (instance == nullptr) {
    fatal_error("GetModuleHandle", HRESULT_FROM_WIN32(::GetLastError()));
  }
  const std::wstring window_class = to_wide(class_name);
  register_window_class(instance, window_class.c_str());
  const std::wstring title = to_wide(app->title());

  GraphicsFactories factories;
  if (const HRESULT hr = create_d2d_factory(factories); FAILED(hr)) {
    fatal_error("Direct2D unavailable", hr);
  }
  phase::mark("window: graphics factories");

  {
    WindowState w(std::move(app), factories);
    HWND hwnd = ::CreateWindowExW(0, window_class.c_str(), title.c_str(), WINDOW_STYLE,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 400, 400, nullptr, nullptr,
                                  instance, &w);
    if (hwnd == nullptr) fatal_error("CreateWindowEx", HRESULT_FROM_WIN32(::GetLastError()));
    phase::mark("window: created");

    store_dpi(w, effective_dpi(window_dpi(hwnd)));
    const SizeF size = w.app->window_size();
    const int32_t width = dips_to_pixels(size.width, w.dpi);
    const int32_t height = dips_to_pixels(size.height, w.dpi);
    const PixelPoint at = initial_position(hwnd, start_position, width, height);
    ::SetWindowPos(hwnd, nullptr, at.x, at.y, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    apply_dwm_cosmetics(hwnd);
    phase::mark("window: placed");
    TextFormats formats;
    if (const HRESULT hr = warmup.finish(factories, formats); FAILED(hr)) {
      fatal_error("Direct2D unavailable", hr);
    }
    w.surface.adopt_text_formats(std::move(formats));
    phase::mark("window: warm-up joined");
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetForegroundWindow(hwnd);
    ::SetFocus(hwnd);
    phase::mark("window: shown");

    w.app->on_created(w.control);
    destroy_if_requested(w);

    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    phase::mark("window: message loop ended");
    // Teardown: the application first, then the device resources, caches and the taskbar
    // interface (members of the state), then the factories.
    w.app.reset();
  }
  phase::mark("window: torn down");
}

}  // namespace vl
