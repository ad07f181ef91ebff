// The pages that end the wizard: Done (success, open the application, finish) and Error (the
// failure text, close or retry), each under its animated result badge in the header.
#include <algorithm>
#include <string>

#include "ui/widgets.h"
#include "wizard/pages.h"
#include "wizard/strings.h"
#include "wizard/theme.h"

namespace vl {

namespace {

void draw_badge(FrameContext& frame, bool success, float h0, double elapsed) {
  frame.draw.result_badge(success, h0, static_cast<float>(elapsed));
  if (elapsed < BADGE_SECONDS) frame.animate = true;
}

void draw_panel(DrawContext& d, const Rect& rect) {
  d.fill_round_rect(rect, PANEL_RADIUS, PANEL_FILL);
  d.stroke_round_rect(rect, PANEL_RADIUS, 1.0f, PANEL_STROKE);
}

}  // namespace

void draw_done(FrameContext& frame, const WizardState& state, float h0, double elapsed) {
  draw_badge(frame, true, h0, elapsed);
  const std::string paragraph = done_paragraph();
  const float y1 = draw_title_block(frame, h0 + RESULT_BODY_GAP, done_title(state.installed.mode),
                                    paragraph, TextAlign::Center);
  draw_panel(frame.draw, Rect{62.0f, y1 + 26.0f, 296.0f, 46.0f});
  check_box(frame, ACTION_TOGGLE_LAUNCH, Rect{75.0f, y1 + 39.0f, 270.0f, 20.0f},
            state.launch_on_finish, TEXT_LAUNCH_NOW);
  button(frame, ACTION_PRIMARY, FOOTER_FULL, TEXT_FINISH, ButtonStyle::Primary, true);
}

void draw_error(FrameContext& frame, const WizardState& state, float h0, double elapsed) {
  DrawContext& d = frame.draw;
  draw_badge(frame, false, h0, elapsed);
  readable_text(frame, text_style(TextRole::PageTitle, TEXT_ERROR_TITLE, TextAlign::Center),
                Rect{CONTENT_X, h0 + RESULT_BODY_GAP, CONTENT_WIDTH, TITLE_HEIGHT});
  constexpr float kMessageWidth = 336.0f;
  constexpr float kPanelTextLimit = 170.0f;
  const TextStyle message = text_style(TextRole::ErrorMessage, state.page.message);
  // The panel stops growing at the limit; a longer text runs on below it.
  const float m = std::min(d.measure_text(message, kMessageWidth).height, kPanelTextLimit);
  draw_panel(d, Rect{CONTENT_X, h0 + 98.0f, CONTENT_WIDTH, m + 28.0f});
  readable_text(frame, message, Rect{42.0f, h0 + 112.0f, kMessageWidth, m}, Reading::Alert);
  button(frame, ACTION_CLOSE, FOOTER_SECONDARY, TEXT_CLOSE, ButtonStyle::Secondary, true);
  button(frame, ACTION_RETRY, FOOTER_PRIMARY, TEXT_RETRY, ButtonStyle::Primary, true);
}

}  // namespace vl
