#pragma once
// Named page states of the wizard, for the native tests, the page gallery and the offscreen
// renderer: each holds the state and progress to draw, how long after the page was entered
// the frame is drawn, and the mouse or keyboard focus resting on it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/geometry.h"
#include "wizard/wizard_state.h"

namespace vl::page_states {

struct WizardStateCase {
  std::string name;
  WizardState state;
  ProgressSnapshot progress;
  float seconds = 2.0f;           // the frame is drawn this long after the page was entered
  std::optional<Point> mouse;     // DIPs: the mouse rests here
  std::optional<uint32_t> focus;  // this target has the visible keyboard focus
};

// Every named state, names unique, in a stable order.
const std::vector<WizardStateCase>& wizard_state_cases();
const WizardStateCase* find_wizard_state(std::string_view name);

}  // namespace vl::page_states
