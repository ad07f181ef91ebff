#pragma once
// A named wizard page state as a WindowApp, and the frames that draw it, shared by the offscreen
// renderer (Direct2D under Wine) and the page gallery (Cairo), so that both draw one state the
// same way. Portable.
#include <algorithm>
#include <span>

#include "product/product.h"
#include "support/wizard_states.h"
#include "ui/frame_cycle.h"
#include "ui/window_app.h"
#include "wizard/wizard.h"

namespace vl::page_states {

// Draws one page state with the installer's own frame; may change to a second state once.
class WizardStateApp final : public WindowApp {
 public:
  WizardStateApp(const WizardStateCase& first, std::span<const uint8_t> logo)
      : state_(first.state), progress_(first.progress), logo_(logo) {
    state_.logo = logo;
  }
  void change_to(const WizardStateCase& next, float at) {
    next_ = &next;
    change_at_ = at;
  }

  std::string title() override { return std::string(vl::INSTALLER_NAME); }
  void on_created(WindowControl&) override {}
  SizeF window_size() override { return {420.0f, 580.0f}; }
  float drag_height() override { return state_.header_height; }
  void paint(FrameContext& frame) override {
    if (next_ && frame.time >= change_at_) {
      state_ = next_->state;
      state_.logo = logo_;
      progress_ = next_->progress;
      next_ = nullptr;
    }
    paint_wizard(frame, state_, progress_);
  }
  void on_action(uint32_t, WindowControl&) override {}
  void on_app_message(WindowControl&) override {}
  void on_close(WindowControl&) override {}
  std::optional<uint32_t> default_action() override { return std::nullopt; }

 private:
  WizardState state_;
  ProgressSnapshot progress_;
  std::span<const uint8_t> logo_;
  const WizardStateCase* next_ = nullptr;
  float change_at_ = 0.0f;
};

// The frames of a state drawn `seconds` after its page was entered (plus `change_at` when it
// follows another state): page, prompt and badge animations follow the clock, so one frame at
// the page's start and one at its age draw them; hover eases frame by frame and needs its
// frames, and so does the header easing from another page. Size and DPI are the caller's.
inline FramePlan state_frames(const WizardStateCase& state, float change_at = 0.0f) {
  FramePlan plan;
  plan.time = change_at + state.seconds;
  plan.frame_step = state.mouse || change_at > 0.0f ? MAX_FRAME_DT
                                                    : std::max(state.seconds, MAX_FRAME_DT);
  if (state.mouse) {
    plan.mouse_x = state.mouse->x;
    plan.mouse_y = state.mouse->y;
  }
  plan.focus = state.focus;
  return plan;
}

}  // namespace vl::page_states
