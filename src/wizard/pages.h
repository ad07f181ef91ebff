#pragma once
// The parts of the wizard's frame: the layout rules as plain values (header height, logo
// block, entry animation, percentage) and the page bodies that paint_wizard composes. Each
// body draws at the current header height `h0` and registers its targets in its tab order.
// Portable.
#include <cstddef>
#include <optional>

#include "ui/frame_context.h"
#include "wizard/wizard_state.h"

namespace vl {

// ---- rules ---------------------------------------------------------------------------------
// What the header height depends on, measured by the caller.
struct HeaderInputs {
  PageKind page = PageKind::Welcome;
  InstallMode mode = InstallMode::FreshInstall;
  bool legacy = false;                 // a legacy client was found (Welcome's panel)
  float paragraph_height = 0.0f;       // Welcome's version sentence or Settings' subtitle
  std::optional<float> notice_height;  // the notice measured at NOTICE_TEXT_WIDTH, if shown
  size_t steps = 0;                    // Progress: entries in the step list
  float window_height = 580.0f;
};
inline constexpr float NOTICE_TEXT_WIDTH = 328.0f;
inline constexpr float HEADER_RATE = 10.0f;

// The height the header settles at: the room the page's content and footer leave, clamped to
// HEADER_MIN..HEADER_MAX; the result pages use HEADER_RESULT.
float header_target(const HeaderInputs& in);

// The logo, tagline and version pill centred in the header above the card.
struct LogoBlock {
  Rect logo;
  float tagline_y = 0.0f;  // top of the 16-high tagline row
  float pill_y = 0.0f;     // top of the 22-high version pill
};
LogoBlock logo_block(float header_height, bool result_page, float window_width);

// The page-entry animation k (0..1, eased) e seconds after the page was entered.
float entry_progress(double elapsed);
inline constexpr float ENTRY_SECONDS = 0.32f;
inline constexpr float ENTRY_SHIFT = 14.0f;
// The prompt's fade-in k, e seconds after it opened.
float prompt_progress(double elapsed);
// Seconds the result badge keeps asking for frames.
inline constexpr double BADGE_SECONDS = 1.2;
// Seconds between the Progress page's frames at the fastest. The spinner, the sheen and the bar
// only show that the work goes on; each frame is drawn on the processor the installation
// needs, so they move at a modest rate instead of the timer's.
inline constexpr float PROGRESS_FRAME_INTERVAL = 0.1f;

// The index in `steps` of the first entry equal to `step`, if any (the current checklist row).
std::optional<size_t> current_step_row(std::span<const InstallStep> steps, uint8_t step);
// The steps the progress page lists: the run's list, or the planned one before it starts.
std::span<const InstallStep> listed_steps(const WizardState& state);

// ---- drawing -------------------------------------------------------------------------------
// The notice box above a footer row whose top is `footer_top` (nothing without a notice).
void draw_notice(FrameContext& frame, const std::optional<std::string>& notice, float footer_top);
// A title line and a wrapped paragraph under it at y; returns the block's end.
float draw_title_block(FrameContext& frame, float y, std::string_view title,
                       std::string_view paragraph, TextAlign align);

void draw_welcome(FrameContext& frame, const WizardState& state, float h0);
void draw_settings(FrameContext& frame, const WizardState& state, float h0);
void draw_progress(FrameContext& frame, WizardState& state, const ProgressSnapshot& progress,
                   float h0);
void draw_done(FrameContext& frame, const WizardState& state, float h0, double elapsed);
void draw_error(FrameContext& frame, const WizardState& state, float h0, double elapsed);
void draw_app_running_prompt(FrameContext& frame, double elapsed);

}  // namespace vl
