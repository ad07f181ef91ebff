#pragma once
// The window host's entry: the whole life of the installer's window. Implemented for Windows
// (run_window_win.cpp); declared portably so that portable code can name it.
#include <memory>
#include <optional>
#include <string_view>

#include "gfx/palette.h"
#include "ui/window_app.h"
#include "ui/window_geometry.h"

namespace vl {

// Registers the window class `class_name`, creates the graphics factories and the window (centred in the
// nearest work area, or with its top-left corner at `start_position` in screen pixels), runs
// the message loop until the window is destroyed and tears everything down. COM must be
// initialised on the calling thread. A factory or the window that cannot be created stops the
// process (a broken invariant).
void run_window(std::unique_ptr<WindowApp> app, std::optional<PixelPoint> start_position,
                std::string_view class_name);

// WM_APP + 1: whatever thread runs the installation posts it after each write of the shared
// progress record.
inline constexpr unsigned WM_APP_NOTIFY = 0x8001;
// The class background, shown before the first frame: the header's middle colour as a
// COLORREF (0x00BBGGRR).
inline constexpr unsigned long colorref(const Color& c) {
  auto byte = [](float v) { return static_cast<unsigned long>(v * 255.0f + 0.5f); };
  return byte(c.r) | byte(c.g) << 8 | byte(c.b) << 16;
}
inline constexpr unsigned long WINDOW_BACKGROUND_COLORREF = colorref(HEADER_MID);
// WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX.
inline constexpr unsigned long WINDOW_STYLE = 0x80CA0000;

}  // namespace vl
