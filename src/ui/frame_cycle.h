#pragma once
// The device-independent middle of a frame: reset the per-frame state, hand the application a
// FrameContext and collect what the frame asks for. The window host and the offscreen renderer
// wrap it in their own BeginDraw / EndDraw.
#include "gfx/draw_context.h"
#include "ui/frame_context.h"
#include "ui/interaction.h"
#include "ui/window_app.h"

namespace vl {

struct FrameRequest {
  bool animate = false;  // keep the animation timer running
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

}  // namespace vl
