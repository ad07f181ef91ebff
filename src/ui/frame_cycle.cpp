#include "ui/frame_cycle.h"

namespace vl {

float pixels_to_dips(int pixels, float dpi) {
  return static_cast<float>(pixels) * 96.0f / (dpi > 0.0f ? dpi : 96.0f);
}

FrameRequest paint_frame(WindowApp& app, DrawContext& draw, InteractionState& input,
                         const FrameSetup& setup) {
  begin_frame(input);
  draw.reset_frame_state();
  FrameContext frame(draw, input);
  frame.width = setup.width;
  frame.height = setup.height;
  frame.dpi = setup.dpi;
  frame.time = setup.times.time;
  frame.dt = setup.times.dt;
  app.paint(frame);
  draw.reset_frame_state();
  return FrameRequest{frame.animate, frame.close};
}

}  // namespace vl
