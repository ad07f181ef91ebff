#pragma once
// Draws frames of a WindowApp into a PNG through a Direct2D render target on a WIC bitmap,
// without a window: for tests and design reviews.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sys/result.h"
#include "ui/window_app.h"

namespace vl {

struct OffscreenRequest {
  float dpi = 96.0f;
  float time = 0.0f;          // seconds: the last frame is drawn at this time
  float frame_step = 0.015f;  // frames from 0 to `time` this far apart (animations advance)
  std::optional<float> mouse_x;  // DIPs: the mouse rests here (hover) when given
  std::optional<float> mouse_y;
  std::optional<uint32_t> hover;  // the mouse rests on this target's centre
  std::optional<uint32_t> focus;  // keyboard focus with its ring showing
  std::wstring png_path;
};

struct OffscreenResult {
  uint32_t pixel_width = 0;
  uint32_t pixel_height = 0;
  int frames = 0;
  std::optional<uint32_t> logo_pixel_width;  // the cached "logo" bitmap's width, if drawn
  bool last_frame_animates = false;
  std::vector<double> frame_ms;  // each frame's drawing time, BeginDraw to EndDraw
};

// The window size comes from `app.window_size()`, in pixels at the DPI. COM must be
// initialised on the calling thread.
Result<OffscreenResult> render_offscreen(WindowApp& app, const OffscreenRequest& request);

}  // namespace vl
