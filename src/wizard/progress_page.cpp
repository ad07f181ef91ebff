// The progress page: title and percentage, status line, the bar with its sheen, the worker's
// detail line and the run's steps as a checklist.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "ui/widgets.h"
#include "wizard/pages.h"
#include "wizard/strings.h"
#include "wizard/theme.h"
#include "wizard/wizard.h"

namespace vl {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

void draw_checklist(FrameContext& frame, std::span<const InstallStep> steps, uint8_t step,
                    float top) {
  DrawContext& d = frame.draw;
  const std::optional<size_t> current = current_step_row(steps, step);
  const float t = frame.time;
  for (size_t i = 0; i < steps.size(); ++i) {
    const float r = top + 36.0f * static_cast<float>(i);
    const Rect label{58.0f, r, 334.0f, 30.0f};
    const std::string_view text = step_label(steps[i]);
    if (current && i < *current) {
      d.fill_circle(38.0f, r + 15.0f, 9.5f, SUCCESS);
      d.check_mark(38.0f, r + 15.5f, 4.0f, 1.0f, 1.8f);
      readable_text(frame, text_style(TextRole::StepDone, text), label);
    } else if (current && i == *current) {
      d.stroke_circle(38.0f, r + 15.0f, 8.0f, 2.0f, with_alpha(ACCENT_BRIGHT, 0.18f));
      // Turns at 0.9 revolutions a second while its length breathes.
      d.arc(38.0f, r + 15.0f, 8.0f, 2.0f * kPi * 0.9f * t,
            (0.55f + 0.35f * std::sin(2.2f * t)) * kPi, 2.0f, ACCENT_BRIGHT);
      readable_text(frame, text_style(TextRole::StepCurrent, text), label);
    } else {
      d.stroke_circle(38.0f, r + 15.0f, 8.5f, 1.5f, PENDING_RING);
      readable_text(frame, text_style(TextRole::StepPending, text), label);
    }
  }
}

}  // namespace

void draw_progress(FrameContext& frame, WizardState& state, const ProgressSnapshot& progress,
                   float h0) {
  DrawContext& d = frame.draw;
  const float y0 = h0 + BODY_GAP;
  state.shown_progress = animate(frame, AnimKey{ANIM_PROGRESS, 0}, progress.fraction, 6.0f);
  const float shown = state.shown_progress;

  readable_text(frame, text_style(TextRole::PageTitle, progress_title(state.installed.mode)),
                Rect{CONTENT_X, y0, 288.0f, TITLE_HEIGHT});
  const std::string percent = percentage_text(shown);
  readable_text(frame, text_style(TextRole::Percentage, percent),
                Rect{CONTENT_X, y0, CONTENT_WIDTH, TITLE_HEIGHT});

  const bool awaiting_admin = state.options.scope == InstallScope::AllUsers && !state.elevated &&
                              state.busy && progress.step == NO_STEP_YET;
  readable_text(
      frame,
      text_style(TextRole::StatusLine, awaiting_admin ? TEXT_AWAITING_ADMIN : TEXT_PLEASE_WAIT),
      Rect{CONTENT_X, y0 + 34.0f, CONTENT_WIDTH, 18.0f});

  const float bar_y = y0 + 68.0f;
  d.fill_round_rect(Rect{CONTENT_X, bar_y, CONTENT_WIDTH, 8.0f}, 4.0f, TRACK);
  // At 0 % a short rounded stub still shows.
  const float f = std::max(std::clamp(shown, 0.0f, 1.0f) * CONTENT_WIDTH, 8.0f);
  const Rect fill{CONTENT_X, bar_y, f, 8.0f};
  d.fill_gradient(fill, 4.0f, 90.0f, {GradientStop{BAR_START, 0.0f}, GradientStop{BAR_END, 1.0f}});
  readable_progress(frame, Rect{CONTENT_X, bar_y, CONTENT_WIDTH, 8.0f}, shown, percent);
  if (shown < 0.999f) {
    const float phase = 0.9f * frame.time;
    const float xs = (phase - std::floor(phase)) * (f + 70.0f) - 44.0f;
    d.push_clip(fill);
    d.fill_gradient(
        Rect{xs, bar_y, 70.0f, 8.0f}, 0.0f, 90.0f,
        {GradientStop{with_alpha(WHITE, 0.0f), 0.0f}, GradientStop{with_alpha(WHITE, 0.45f), 0.5f},
         GradientStop{with_alpha(WHITE, 0.0f), 1.0f}});
    d.pop_clip();
  }
  readable_text(frame, text_style(TextRole::DetailLine, progress.detail),
                Rect{CONTENT_X, y0 + 82.0f, CONTENT_WIDTH, 16.0f});

  draw_checklist(frame, listed_steps(state), progress.step, y0 + 116.0f);
  // The spinner and the sheen move with time, at the page's own modest pace.
  frame.animate = true;
  frame.min_frame_interval = PROGRESS_FRAME_INTERVAL;
}

void restart_progress_animation(FrameContext& frame) {
  frame.input.animated.set(AnimKey{ANIM_PROGRESS, 0}, 0.0f);
}

}  // namespace vl
