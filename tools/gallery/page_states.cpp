#include "page_states.h"

#include <optional>

#include "showcase_page.h"
#include "support/wizard_state_app.h"
#include "support/wizard_states.h"

namespace gallery {
namespace {

// The widget showcase as the window tests see it, without their input log.
class ShowcaseApp final : public vl::WindowApp {
 public:
  explicit ShowcaseApp(std::span<const uint8_t> logo) : logo_(logo) {}
  std::string title() override { return "Verilune Setup"; }
  void on_created(vl::WindowControl&) override {}
  vl::SizeF window_size() override { return {420.0f, 580.0f}; }
  float drag_height() override { return 56.0f; }
  void paint(vl::FrameContext& frame) override { showcase::paint_showcase(frame, {}, logo_); }
  void on_action(uint32_t, vl::WindowControl&) override {}
  void on_app_message(vl::WindowControl&) override {}
  void on_close(vl::WindowControl&) override {}
  std::optional<uint32_t> default_action() override { return std::nullopt; }

 private:
  std::span<const uint8_t> logo_;
};

}  // namespace

std::vector<PageState> page_states() {
  std::vector<PageState> states;
  vl::FramePlan showcase_frames;
  showcase_frames.time = 1.0f;
  states.push_back({"showcase", showcase_frames, [](std::span<const uint8_t> logo) {
                      return std::make_unique<ShowcaseApp>(logo);
                    }});
  using namespace vl::page_states;
  for (const WizardStateCase& c : wizard_state_cases()) {
    states.push_back({c.name, state_frames(c), [&c](std::span<const uint8_t> logo) {
                        return std::make_unique<WizardStateApp>(c, logo);
                      }});
  }
  return states;
}

}  // namespace gallery
