#pragma once
// The device-independent middle of a frame: reset the per-frame state, hand the application a
// FrameContext and collect what the frame asks for. The window host and the offscreen renderer
// wrap it in their own BeginDraw / EndDraw.
#include <functional>
#include <optional>

#include "gfx/draw_context.h"
#include "sys/result.h"
#include "ui/frame_context.h"
#include "ui/interaction.h"
#include "ui/window_app.h"

namespace vl {

struct FrameRequest {
  bool animate = false;  // keep the animation timer running
  float min_interval = 0.0f;  // seconds: the slowest pace the animation accepts
  bool close = false;    // close the window after this frame
};

struct FrameSetup {
  float width = 0.0f;  // client size in DIPs
  float height = 0.0f;
  float dpi = 96.0f;
  FrameTimes times;
};

// Client pixels to DIPs at `dpi`.
float pixels_to_dips(int pixels, float dpi);

// Empties the list of targets being built, resets offset and opacity, calls `paint` and then
// pops any clip the page left pushed (so the device's clip stack is balanced at EndDraw).
// The caller ends the frame (`end_frame`) after its device has finished drawing.
FrameRequest paint_frame(WindowApp& app, DrawContext& draw, InteractionState& input,
                         const FrameSetup& setup);

// Frames drawn without a window (offscreen renders, the page gallery): from time 0 to `time`,
// `frame_step` apart so that animations advance as they would in the window; the mouse rests
// at (mouse_x, mouse_y), or on the centre of the target `hover`, once the first frame has
// registered its targets; `focus`, when given, holds the keyboard focus with its ring showing
// from the first frame on.
struct FramePlan {
  float width = 0.0f;  // DIPs
  float height = 0.0f;
  float dpi = 96.0f;
  float time = 0.0f;          // seconds: the last frame is drawn at this time
  float frame_step = 0.015f;  // 0 or less: one frame, at `time`
  std::optional<float> mouse_x;  // DIPs
  std::optional<float> mouse_y;
  std::optional<uint32_t> hover;
  std::optional<uint32_t> focus;
};

struct FrameRun {
  int frames = 0;
  bool last_frame_animates = false;
};

// The device's part of one frame: begin drawing, call `paint` once, end drawing. A failure
// stops the run.
using FrameDevice = std::function<Status(const std::function<void()>& paint)>;

Result<FrameRun> run_frames(WindowApp& app, DrawContext& draw, InteractionState& input,
                            const FramePlan& plan, const FrameDevice& device);

}  // namespace vl
