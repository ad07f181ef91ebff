#pragma once
// A small WindowApp that shows every widget, for the window tests and the offscreen renderer.
// It records what reaches its handlers as lines ("action 1", "close", "default", "app_message",
// "frame 12 animate 0"...) in a log file, flushed after each line, so that the tests can read
// them while it runs.
//
// Layout (DIPs, window 420 × 580):
//   header band 0..120, dark (13, 27, 61); the top 56 DIPs drag the window
//     help button  id 7   (16, 12, 96, 32)  secondary, in the drag band
//     minimise     0xFFF1 (344, 12, 28, 28)
//     close        0xFFF0 (380, 12, 28, 28)
//     logo "logo"         (145, 40, 130, 54)
//     title text          (20, 96, 380, 20) white, Cyrillic, read by screen readers
//   body, light (244, 247, 251)
//     primary      id 1   (40, 140, 160, 44)  "Суулгах"
//     secondary    id 2   (220, 140, 160, 44) "Болих"
//     disabled     id 3   (40, 200, 340, 40)  danger, disabled
//     check box    id 4   (40, 256, 340, 28)  "Хаахыг зөвшөөрөх": while checked, close
//                                             requests and app messages close the window
//     radio cards  id 5   (40, 296, 340, 64), id 6 (40, 370, 340, 64); choosing 6 while
//                                             close is allowed makes the next frame ask to
//                                             close the window (no on_close)
//     link         id 8   (40, 446, 340, 24)  centred; sends the window the WM_DPICHANGED
//                                             that a move to a 144-DPI monitor would bring
//     paragraph           (40, 480, 340, 80) wrapping Cyrillic text, read by screen readers
// Enter with no visible focus activates id 1 (the default action).
#include <windows.h>

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "product/product.h"
#include "showcase_page.h"
#include "ui/window_app.h"

namespace showcase {

// The value of "--name=value" among the program's arguments.
inline std::optional<std::wstring> option(int argc, wchar_t** argv, const std::wstring& name) {
  const std::wstring prefix = L"--" + name + L"=";
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.rfind(prefix, 0) == 0) return arg.substr(prefix.size());
  }
  return std::nullopt;
}

// The whole file as bytes (empty when it cannot be read).
inline std::vector<uint8_t> read_binary_file(const wchar_t* path) {
  std::vector<uint8_t> bytes;
  std::FILE* file = _wfopen(path, L"rb");
  if (file == nullptr) return bytes;
  uint8_t buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  std::fclose(file);
  return bytes;
}

class ShowcaseApp final : public vl::WindowApp {
 public:
  ShowcaseApp(std::FILE* log, std::span<const uint8_t> logo) : log_(log), logo_(logo) {}

  std::string title() override { return std::string(vl::INSTALLER_NAME); }
  void on_created(vl::WindowControl& control) override {
    record("created");
    if (close_at_start) control.request_close();
  }

  // Closes the window from on_created, as a resumed run that has nothing to show would.
  bool close_at_start = false;
  vl::SizeF window_size() override { return {420.0f, 580.0f}; }
  float drag_height() override { return 56.0f; }

  void paint(vl::FrameContext& frame) override {
    ++frames_;
    showcase::paint_showcase(frame, ShowcaseState{allow_close_, all_users_}, logo_);
    if (close_from_frame_) frame.close = true;

    char line[96];
    std::snprintf(line, sizeof line, "frame %d animate %d dpi %g size %gx%g", frames_,
                  frame.animate ? 1 : 0, frame.dpi, frame.width, frame.height);
    record(line);
  }

  void on_action(uint32_t id, vl::WindowControl& control) override {
    record("action " + std::to_string(id));
    if (id == ID_ALLOW_CLOSE) allow_close_ = !allow_close_;
    if (id == ID_ALL_USERS) all_users_ = true;
    if (id == ID_CURRENT_USER) {
      all_users_ = false;
      close_from_frame_ = allow_close_;
    }
    if (id == ID_LINK) simulate_move_to_144_dpi(static_cast<HWND>(control.window_handle()));
  }

  void on_app_message(vl::WindowControl& control) override {
    record("app_message");
    control.set_taskbar_progress(true, 0.5f);
    if (allow_close_) control.request_close();
  }

  void on_close(vl::WindowControl& control) override {
    record(allow_close_ ? "close accepted" : "close refused");
    if (allow_close_) control.request_close();
  }

  std::optional<uint32_t> default_action() override {
    record("default");
    return ID_PRIMARY;
  }

 private:
  // What the system sends when the window lands on a 144-DPI monitor: the new DPI and a
  // suggested rectangle at the same top-left corner, 1.5 times the size.
  static void simulate_move_to_144_dpi(HWND hwnd) {
    RECT now{};
    if (hwnd == nullptr || !::GetWindowRect(hwnd, &now)) return;
    RECT suggested{now.left, now.top, now.left + (now.right - now.left) * 3 / 2,
                   now.top + (now.bottom - now.top) * 3 / 2};
    ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
  }

  void record(const std::string& line) {
    if (log_ == nullptr) return;
    std::fprintf(log_, "%s\n", line.c_str());
    std::fflush(log_);
  }

  std::FILE* log_;
  std::span<const uint8_t> logo_;
  bool allow_close_ = false;
  bool all_users_ = true;
  bool close_from_frame_ = false;
  int frames_ = 0;
};

}  // namespace showcase
