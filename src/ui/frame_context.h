#pragma once
// The frame record handed to the application's paint once per frame, and the clock and timer
// that pace the frames. The window host, the offscreen renderer and the widgets share them.
#include "gfx/draw_context.h"
#include "ui/interaction.h"

namespace vl {

// Frame times from a monotonic clock: time since creation, dt since the previous frame (0 when
// the clock went backwards, at most the step cap). A frame late by a stall advances animations
// by at most 0.05 s; frames that come slowly because the page asked for a slower pace advance
// by their real gap, so that easing keeps to real time (see frame_step_cap).
inline constexpr float MAX_FRAME_DT = 0.05f;
inline constexpr unsigned ANIMATION_TIMER_ID = 1;
inline constexpr unsigned ANIMATION_TIMER_MS = 15;

// The animation timer's period for a frame that animates: the 15 ms rate, or, when the frame
// accepts a slower pace (a minimum interval in seconds), that interval but never less than
// PACED_FRAME_GAP times the time the last frame took to draw, counted from its end: where
// drawing is slow (software rendering), paced frames keep to a small share of one processor.
inline constexpr float PACED_FRAME_GAP = 3.0f;
unsigned animation_timer_ms(float min_frame_interval, float last_frame_seconds = 0.0f);

// The largest dt the next frame may advance by. Unpaced frames (and none at all): MAX_FRAME_DT.
// Paced frames come `timer_seconds` after the end of the last frame, which took
// `last_frame_seconds` to draw: a gap up to half as long again as that counts in full.
float frame_step_cap(bool paced, float timer_seconds, float last_frame_seconds);

struct FrameTimes {
  float time = 0.0f;
  float dt = 0.0f;
};

class FrameClock {
 public:
  explicit FrameClock(double created_seconds)
      : created_(created_seconds), previous_(created_seconds) {}
  FrameTimes tick(double now_seconds, float max_dt = MAX_FRAME_DT);
  // Seconds since creation at `now_seconds`, as `tick` would report it.
  double time_at(double now_seconds) const { return now_seconds - created_; }

 private:
  double created_;
  double previous_;
};

// Built for each frame and handed to the application's paint.
struct FrameContext {
  FrameContext(DrawContext& draw_context, InteractionState& input_state)
      : draw(draw_context), input(input_state) {}

  float width = 0.0f;   // client size in DIPs (pixels * 96 / dpi)
  float height = 0.0f;
  float time = 0.0f;    // seconds since the drawing context was created
  float dt = 0.0f;      // seconds since the previous frame, at most the clock's step cap
  float dpi = 96.0f;    // the window's DPI (96 is a scale of 1)
  DrawContext& draw;
  InteractionState& input;
  bool animate = false;  // ask for another frame (the 15 ms timer keeps running)
  // Seconds: while animating, the frames need come no faster than this (0: the timer's own
  // rate). A page whose motion is only a cue sets it so that drawing leaves the processor to
  // the work it shows.
  float min_frame_interval = 0.0f;
  bool close = false;    // close the window after this frame
};


}  // namespace vl
