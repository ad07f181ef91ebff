// The app-running prompt: a modal card over Welcome or Settings, with its backdrop, that asks
// whether to close the running application and continue.
#include "ui/widgets.h"
#include "wizard/pages.h"
#include "wizard/strings.h"
#include "wizard/theme.h"

namespace vl {

void draw_app_running_prompt(FrameContext& frame, double elapsed) {
  DrawContext& d = frame.draw;
  const float W = frame.width;
  const float H = frame.height;
  const float k = prompt_progress(elapsed);
  if (k < 1.0f) frame.animate = true;

  // Registered first: the page and the caption buttons under it stop reacting, and Tab and
  // screen readers stay within the prompt.
  modal_blocker(frame, Rect{0, 0, W, H});
  d.fill_round_rect(Rect{0, 0, W, H}, 0.0f, with_alpha(SCRIM, 0.52f * k));

  constexpr float kCardHeight = 236.0f;
  const float rise = 1.0f - k;
  const float y = (H - kCardHeight) / 2.0f + rise * rise * rise * 14.0f;
  const Rect card{22.0f, y, W - 44.0f, kCardHeight};
  d.shadow(card, 20.0f, 18.0f, 28.0f, with_alpha(SCRIM, 0.45f * k));
  d.fill_round_rect(card, 20.0f, with_alpha(CARD, k));

  d.opacity = k;
  d.fill_circle(W / 2.0f, y + 42.0f, 22.0f, WARN_FILL);
  warning_icon(frame, W / 2.0f, y + 42.0f);
  readable_text(frame, text_style(TextRole::PromptTitle, TEXT_APP_RUNNING_TITLE),
                Rect{42.0f, y + 74.0f, W - 84.0f, 22.0f});
  const TextStyle body = text_style(TextRole::PromptBody, TEXT_APP_RUNNING_BODY);
  const float body_height = d.measure_text(body, W - 92.0f).height;
  readable_text(frame, body, Rect{46.0f, y + 102.0f, W - 92.0f, body_height});
  button(frame, ACTION_CANCEL_APP_RUNNING, Rect{42.0f, y + 172.0f, 104.0f, 44.0f}, TEXT_CANCEL,
         ButtonStyle::Secondary, true);
  button(frame, ACTION_CLOSE_APP_CONTINUE, Rect{156.0f, y + 172.0f, W - 198.0f, 44.0f},
         TEXT_CLOSE_AND_CONTINUE, ButtonStyle::Primary, true);
  d.opacity = 1.0f;
}

}  // namespace vl
