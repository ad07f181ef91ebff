#include "ui/frame_cycle.h"

#include <algorithm>

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
  return FrameRequest{frame.animate, frame.min_frame_interval, frame.close};
}

Result<FrameRun> run_frames(WindowApp& app, DrawContext& draw, InteractionState& input,
                            const FramePlan& plan, const FrameDevice& device) {
  FrameRun run;
  if (plan.focus) {
    input.focus = plan.focus;
    input.focus_visible = true;
  }
  const float step = plan.frame_step > 0.0f ? plan.frame_step : plan.time + 1.0f;
  float previous = 0.0f;
  for (int i = 0;; ++i) {
    const float t = std::min(static_cast<float>(i) * step, plan.time);
    const FrameSetup setup{plan.width, plan.height, plan.dpi,
                           FrameTimes{t, std::min(t - previous, MAX_FRAME_DT)}};
    previous = t;
    FrameRequest request;
    const Status drawn = device([&] { request = paint_frame(app, draw, input, setup); });
    if (!drawn) return drawn.failure();
    end_frame(input);
    ++run.frames;
    run.last_frame_animates = request.animate;
    if (i == 0 && plan.mouse_x && plan.mouse_y) {
      on_mouse_move(input, *plan.mouse_x, *plan.mouse_y);
    }
    if (i == 0 && plan.hover) {
      for (const HitTarget& target : input.active) {
        if (target.id != *plan.hover) continue;
        on_mouse_move(input, target.rect.x + target.rect.w / 2, target.rect.y + target.rect.h / 2);
        break;
      }
    }
    if (t >= plan.time) break;
  }
  return run;
}

}  // namespace vl
