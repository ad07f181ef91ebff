#pragma once
// The window host's two faces: `WindowApp`, the application it drives (title, size, frames and
// every user action), and `WindowControl`, what the application may ask of the window while
// it handles an action. Portable: the host fills these in on Windows, tests fake them.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gfx/text_style.h"

namespace vl {

struct FrameContext;  // ui/frame_context.h

struct SizeF {
  float width = 0;
  float height = 0;
};

class WindowControl {
 public:
  virtual ~WindowControl() = default;

  // The host destroys the window as soon as the handler that asked returns.
  void request_close() { close_requested_ = true; }
  bool close_requested() const { return close_requested_; }
  void clear_close_request() { close_requested_ = false; }
  // What a handler changed must show at once (a new page), not at the next paced frame.
  void request_frame() { frame_requested_ = true; }
  bool take_frame_request() { return std::exchange(frame_requested_, false); }
  // Closes the window `seconds` from now by the clock, whether or not frames are drawn
  // meanwhile (a minimised window draws none). A later request replaces an earlier one.
  void request_close_after(double seconds) { close_after_ = seconds; }
  std::optional<double> take_close_after() { return std::exchange(close_after_, std::nullopt); }

  // The frame clock's reading now: what FrameContext::time of a frame drawn at this moment
  // reads. Page changes are stamped with it, so that the first frame of a page is already
  // part of its entry animation.
  virtual double clock_time() const = 0;

  // The taskbar button's progress: `fraction` (clamped to 0..1) while active, none otherwise.
  virtual void set_taskbar_progress(bool active, float fraction) = 0;
  // The window's HWND as an opaque pointer (null before the window exists).
  virtual void* window_handle() const = 0;

 private:
  bool close_requested_ = false;
  bool frame_requested_ = false;
  std::optional<double> close_after_;
};

class WindowApp {
 public:
  virtual ~WindowApp() = default;

  virtual std::string title() = 0;
  virtual void on_created(WindowControl& control) = 0;
  virtual SizeF window_size() = 0;
  // The band from the top of the window down to this height (DIPs) moves the window wherever
  // no hit target covers it.
  virtual float drag_height() = 0;
  virtual void paint(FrameContext& frame) = 0;
  virtual void on_action(uint32_t id, WindowControl& control) = 0;
  virtual void on_app_message(WindowControl& control) = 0;
  // A close request; the window closes only if the handler calls `request_close`.
  virtual void on_close(WindowControl& control) = 0;
  // The target Enter activates when no visible keyboard focus applies.
  virtual std::optional<uint32_t> default_action() = 0;
  // The text styles the frames draw with (texts that live as long as the program), so that
  // the host can make their fonts ready while the window is being made.
  virtual std::vector<TextStyle> text_styles() { return {}; }
};

}  // namespace vl
