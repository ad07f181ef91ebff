// The pages that end the wizard: Done (success, open the application, finish) and Error (the
// failure text, close or retry), each under its animated result badge in the header.
#include <algorithm>
#include <functional>
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
  constexpr float kPadding = 14.0f;
  constexpr float kLine = 18.0f;  // the message's line height
  const TextStyle message = text_style(TextRole::ErrorMessage, state.page.message);
  const float full = d.measure_text(message, kMessageWidth).height;
  // The panel grows down to a gap above the footer; a longer text scrolls inside it (wheel,
  // arrows, Page Up/Down, Home/End), and a screen reader still reads all of it.
  const float top = h0 + 98.0f;
  const float room = std::max(kLine, FOOTER_Y - ERROR_PANEL_FOOTER_GAP - top - 2.0f * kPadding);
  const float shown = std::min(full, room);
  draw_panel(d, Rect{CONTENT_X, top, CONTENT_WIDTH, shown + 2.0f * kPadding});
  const Rect view{42.0f, top + kPadding, kMessageWidth, shown};
  // Each text scrolls on its own: another failure starts at its top.
  const AnimKey key{ANIM_ERROR_SCROLL,
                    static_cast<uint32_t>(std::hash<std::string>{}(state.page.message))};
  const float scrolled = scroll_offset(frame, key, shown, full, kLine);
  d.push_clip(view);
  readable_text(frame, message, Rect{view.x, view.y - scrolled, kMessageWidth, full},
                Reading::Alert);
  d.pop_clip();
  if (full > shown) {
    // Where the shown part lies in the whole: a thin thumb at the panel's right edge.
    const float thumb = std::max(16.0f, shown * shown / full);
    const float travel = shown - thumb;
    const float y = view.y + travel * scrolled / (full - shown);
    d.fill_round_rect(Rect{CONTENT_X + CONTENT_WIDTH - 9.0f, y, 4.0f, thumb}, 2.0f,
                      with_alpha(TEXT_FAINT, 0.55f));
  }
  button(frame, ACTION_CLOSE, FOOTER_SECONDARY, TEXT_CLOSE, ButtonStyle::Secondary, true);
  button(frame, ACTION_RETRY, FOOTER_PRIMARY, TEXT_RETRY, ButtonStyle::Primary, true);
}

}  // namespace vl
