#pragma once
// The named states that the page gallery draws with Cairo and that the offscreen renderer draws
// through Direct2D under Wine (`--state=NAME`), so that both renders of one state can be set
// side by side. Portable.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "showcase_page.h"
#include "ui/window_app.h"

namespace page_states {

using Paint = std::function<void(vl::FrameContext& frame, std::span<const uint8_t> logo)>;

struct PageState {
  std::string name;  // letters, digits and dashes: it names the picture files
  float time = 1.0f;  // seconds since the page was entered when the picture is taken
  std::optional<uint32_t> hover;   // the target the mouse rests on
  std::optional<uint32_t> focus;   // the target holding the keyboard focus, ring showing
  Paint paint;
};

// Draws one state; nothing acts on it (no actions, close requests or messages).
class StateApp final : public vl::WindowApp {
 public:
  StateApp(Paint paint, std::span<const uint8_t> logo) : paint_(std::move(paint)), logo_(logo) {}
  std::string title() override { return "Verilune Setup"; }
  void on_created(vl::WindowControl&) override {}
  vl::SizeF window_size() override { return {420.0f, 580.0f}; }
  float drag_height() override { return 56.0f; }
  void paint(vl::FrameContext& frame) override { paint_(frame, logo_); }
  void on_action(uint32_t, vl::WindowControl&) override {}
  void on_app_message(vl::WindowControl&) override {}
  void on_close(vl::WindowControl&) override {}
  std::optional<uint32_t> default_action() override { return std::nullopt; }

 private:
  Paint paint_;
  std::span<const uint8_t> logo_;
};

inline Paint showcase(showcase::ShowcaseState state) {
  return [state](vl::FrameContext& frame, std::span<const uint8_t> logo) {
    showcase::paint_showcase(frame, state, logo);
  };
}

inline std::vector<PageState> all() {
  using showcase::ShowcaseState;
  return {
      {"showcase", 1.0f, std::nullopt, std::nullopt, showcase({})},
      {"showcase-checked-current-user", 1.0f, std::nullopt, std::nullopt,
       showcase({.allow_close = true, .all_users = false})},
      {"showcase-primary-hover", 1.0f, showcase::ID_PRIMARY, std::nullopt, showcase({})},
      {"showcase-primary-focus", 1.0f, std::nullopt, showcase::ID_PRIMARY, showcase({})},
      {"showcase-radio-hover", 1.0f, showcase::ID_CURRENT_USER, std::nullopt, showcase({})},
  };
}

inline const PageState* find(const std::vector<PageState>& states, std::string_view name) {
  for (const PageState& s : states) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

}  // namespace page_states
