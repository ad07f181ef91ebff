#pragma once
// The wizard's front door: what the window's controller needs of it. The pages' own parts
// (pages.h) and the theme stay the wizard's; the controller sets the texts of strings.h.
#include <vector>

#include "gfx/text_style.h"
#include "ui/window_app.h"
#include "wizard/wizard_state.h"

namespace vl {

struct FrameContext;

// Draws one whole frame of the wizard (background, header, card, the page body, the prompt),
// registering the hit targets in order and asking for further frames or for closing through
// `frame`.
void paint_wizard(FrameContext& frame, WizardState& state, const ProgressSnapshot& progress);

// Every text style the pages draw with, to make their text formats ahead of the first frame.
std::vector<TextStyle> wizard_text_styles();

// The window's size in DIPs.
SizeF wizard_window_size();

// The progress bar starts again from 0 in this frame instead of running back from where an
// earlier attempt stopped.
void restart_progress_animation(FrameContext& frame);

// Seconds a passive run's Done page stays before the window closes itself.
inline constexpr double PASSIVE_CLOSE_SECONDS = 0.9;

}  // namespace vl
