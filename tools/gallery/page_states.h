#pragma once
// What the gallery draws: every named wizard page state (tests/support/wizard_states.h), each
// with the frames the offscreen renderer draws it with, and the widget showcase.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ui/frame_cycle.h"
#include "ui/window_app.h"

namespace gallery {

struct PageState {
  std::string name;  // letters, digits and dashes: it names the picture files
  // The frames that draw it; the size and DPI are filled in per picture.
  vl::FramePlan frames;
  std::function<std::unique_ptr<vl::WindowApp>(std::span<const uint8_t> logo)> make_app;
};

// The showcase first, then the wizard's states in their own order.
std::vector<PageState> page_states();

}  // namespace gallery
