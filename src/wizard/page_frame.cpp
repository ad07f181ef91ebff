// The frame every page is drawn in: background, glow, dot grid, caption buttons, logo block,
// content card, the adaptive header height, the page-entry animation and the notice box; and
// paint_wizard, which composes a whole frame.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ui/widgets.h"
#include "wizard/pages.h"
#include "wizard/strings.h"
#include "wizard/theme.h"
#include "wizard/wizard.h"

namespace vl {

// ---- rules -----------------------------------------------------------------------------------

float header_target(const HeaderInputs& in) {
  const float H = in.window_height;
  // A notice takes its room from the header first: below the usual floor, down to where the
  // logo block still fits, rather than lie over the page's controls.
  const float floor = in.notice_height ? HEADER_NOTICE_MIN : HEADER_MIN;
  const auto clamp_header = [floor](float v) { return std::clamp(v, floor, HEADER_MAX); };
  const float notice = in.notice_height ? *in.notice_height + 26.0f : 0.0f;
  switch (in.page) {
    case PageKind::Welcome: {
      const bool reinstall = in.mode == InstallMode::Reinstall;
      const float footer = notice + (reinstall ? 82.0f : 48.0f);
      float content = in.paragraph_height + 34.0f + 18.0f + 62.0f;
      if (in.legacy) content += 88.0f;
      if (in.mode == InstallMode::FreshInstall) content += 42.0f;
      return clamp_header(H - 26.0f - footer - 24.0f - content - 26.0f);
    }
    case PageKind::Settings: {
      const float footer = notice + 48.0f;
      const float content = in.paragraph_height + 34.0f + 16.0f + 130.0f + 16.0f + 22.0f + 46.0f;
      return clamp_header(H - 26.0f - footer - 24.0f - content - 26.0f);
    }
    case PageKind::Progress:
      return clamp_header(H - 26.0f - (36.0f * static_cast<float>(in.steps) + 110.0f) - 26.0f);
    case PageKind::Done:
    case PageKind::Error: return HEADER_RESULT;
  }
  return HEADER_MAX;
}

LogoBlock logo_block(float header_height, bool result_page, float window_width) {
  constexpr float kLogoAspect = 2.4074075f;  // the image's 130 : 54
  float a = header_height - 8.0f - 36.0f;
  if (result_page) a -= 42.0f;  // the result badge sits in the header's lower part
  a = std::max(a, 60.0f);
  // Below s = 0 (a header lowered for a notice) the logo shrinks further, down to where
  // logo, tagline and pill still end inside the header.
  const float s = std::clamp((a - 110.0f) / 90.0f, -0.3f, 1.0f);
  const float w = 128.0f + 56.0f * s;
  const float h = w / kLogoAspect;
  const float g = 8.0f + 4.0f * s;
  const float top = (a - (h + g + 16.0f + g + 22.0f)) / 2.0f + 36.0f;
  LogoBlock block;
  block.logo = Rect{(window_width - w) / 2.0f, top, w, h};
  block.tagline_y = top + h + g;
  block.pill_y = top + h + g + 16.0f + g;
  return block;
}

namespace {
float eased_cubic_progress(double elapsed, double duration) {
  const float t = static_cast<float>(std::clamp(elapsed / duration, 0.0, 1.0));
  return ease_out_cubic(t);
}
}  // namespace

float entry_progress(double elapsed) { return eased_cubic_progress(elapsed, ENTRY_SECONDS); }

float prompt_progress(double elapsed) { return eased_cubic_progress(elapsed, 0.22); }

std::optional<size_t> current_step_row(std::span<const InstallStep> steps, uint8_t step) {
  for (size_t i = 0; i < steps.size(); ++i) {
    if (static_cast<uint8_t>(steps[i]) == step) return i;
  }
  return std::nullopt;
}

std::span<const InstallStep> listed_steps(const WizardState& state) {
  return state.step_list.empty() ? std::span<const InstallStep>(state.planned_steps)
                                 : std::span<const InstallStep>(state.step_list);
}

// ---- shared drawing --------------------------------------------------------------------------

void draw_notice(FrameContext& frame, const std::optional<std::string>& notice, float footer_top) {
  if (!notice) return;
  DrawContext& d = frame.draw;
  const float y = footer_top;
  const float m = d.measure_text(text_style(TextRole::Notice, *notice), NOTICE_TEXT_WIDTH).height;
  d.fill_round_rect(Rect{CONTENT_X, y - m - 26.0f, CONTENT_WIDTH, m + 16.0f}, 10.0f, NOTICE_FILL);
  const float c = y - m - 10.5f;
  d.stroke_circle(41.0f, c, 8.0f, 1.6f, DANGER);
  d.line(41.0f, c - 0.5f, 41.0f, c + 4.0f, 1.8f, DANGER);
  d.fill_circle(41.0f, c - 3.6f, 1.05f, DANGER);
  readable_text(frame, text_style(TextRole::Notice, *notice),
                Rect{56.0f, y - m - 18.0f, NOTICE_TEXT_WIDTH, m});
}

float draw_title_block(FrameContext& frame, float y, std::string_view title,
                       std::string_view paragraph, TextAlign align) {
  DrawContext& d = frame.draw;
  readable_text(frame, text_style(TextRole::PageTitle, title, align),
                Rect{CONTENT_X, y, CONTENT_WIDTH, TITLE_HEIGHT});
  const TextStyle body = text_style(TextRole::BodyParagraph, paragraph, align);
  const float p = d.measure_text(body, CONTENT_WIDTH).height;
  readable_text(frame, body, Rect{CONTENT_X, y + TITLE_TO_PARAGRAPH, CONTENT_WIDTH, p});
  return y + TITLE_TO_PARAGRAPH + p;
}

namespace {

bool is_result_page(PageKind kind) { return kind == PageKind::Done || kind == PageKind::Error; }

// Measures what the page's header height depends on.
HeaderInputs header_inputs(FrameContext& frame, const WizardState& state) {
  HeaderInputs in;
  in.page = state.page.kind;
  in.mode = state.installed.mode;
  in.legacy = state.installed.legacy.has_value();
  in.window_height = frame.height;
  in.steps = listed_steps(state).size();
  DrawContext& d = frame.draw;
  if (in.page == PageKind::Welcome) {
    const std::string sentence = version_sentence(
        state.installed.mode,
        state.installed.existing ? state.installed.existing->version : std::nullopt);
    in.paragraph_height =
        d.measure_text(text_style(TextRole::BodyParagraph, sentence), CONTENT_WIDTH).height;
  } else if (in.page == PageKind::Settings) {
    in.paragraph_height =
        d.measure_text(text_style(TextRole::BodyParagraph, TEXT_SETTINGS_PARAGRAPH), CONTENT_WIDTH)
            .height;
  }
  if ((in.page == PageKind::Welcome || in.page == PageKind::Settings) && state.error_text) {
    in.notice_height =
        d.measure_text(text_style(TextRole::Notice, *state.error_text), NOTICE_TEXT_WIDTH).height;
  }
  return in;
}

void draw_background(FrameContext& frame) {
  DrawContext& d = frame.draw;
  const float W = frame.width;
  const float H = frame.height;
  d.fill_gradient(Rect{0, 0, W, H}, 0.0f, 160.0f,
                  {GradientStop{HEADER_TOP, 0.0f}, GradientStop{HEADER_MID, 0.58f},
                   GradientStop{HEADER_BOTTOM, 1.0f}});
  d.fill_radial_gradient(
      Rect{0, 0, W, H}, 0.8f * W, -53.0f, 1.2f * W, 477.0f,
      {GradientStop{with_alpha(GLOW, 0.5f), 0.0f}, GradientStop{with_alpha(GLOW, 0.15f), 0.45f},
       GradientStop{with_alpha(GLOW, 0.0f), 1.0f}});
  // Rows 9 to 261: the last row is the first at or beyond 252.
  std::vector<Point> dots;
  for (float y = 9.0f;; y += 18.0f) {
    for (float x = 9.0f; x < W; x += 18.0f) dots.push_back(Point{x, y});
    if (y >= 252.0f) break;
  }
  d.fill_circles(dots, 1.0f, with_alpha(WHITE, 0.045f));
}

void draw_caption_buttons(FrameContext& frame, bool close_live) {
  DrawContext& d = frame.draw;
  const float W = frame.width;
  const Rect minimise{W - 80.0f, 10.0f, 34.0f, 30.0f};
  const Interaction mi = interact(frame, TARGET_MINIMIZE, minimise, true);
  d.fill_round_rect(minimise, 8.0f, with_alpha(WHITE, 0.1f * mi.hover + 0.06f * mi.press));
  d.line(minimise.x + 12.0f, 25.0f, minimise.x + 22.0f, 25.0f, 1.4f,
         with_alpha(WHITE, 0.75f + 0.25f * mi.hover));

  const Rect close{W - 44.0f, 10.0f, 34.0f, 30.0f};
  const Interaction ci = interact(frame, TARGET_CLOSE, close, close_live);
  d.fill_round_rect(close, 8.0f, with_alpha(CLOSE_HOVER, 0.85f * ci.hover));
  const float cx = close.x + 17.0f;
  const Color glyph = with_alpha(WHITE, close_live ? 0.75f + 0.25f * ci.hover : 0.25f);
  d.line(cx - 4.5f, 20.5f, cx + 4.5f, 29.5f, 1.4f, glyph);
  d.line(cx + 4.5f, 20.5f, cx - 4.5f, 29.5f, 1.4f, glyph);
}

void draw_logo_block(FrameContext& frame, const WizardState& state, float settled_height) {
  DrawContext& d = frame.draw;
  const bool result = is_result_page(state.page.kind);
  const LogoBlock block = logo_block(state.header_height, result, frame.width);
  if (!state.logo.empty()) {
    // Decoded once at the size the header settles at and drawn scaled while it animates: a
    // decode per frame of a changing width would stall the animation.
    const Rect settled = logo_block(settled_height, result, frame.width).logo;
    d.draw_png("logo", state.logo, block.logo, settled.w, settled.h);
  }
  d.draw_text(text_style(TextRole::Tagline, TEXT_TAGLINE),
              Rect{0.0f, block.tagline_y, frame.width, 16.0f});
  const std::string pill = version_pill();
  const TextStyle version = text_style(TextRole::Version, pill);
  const float tw = d.measure_text(version, 400.0f).width;
  const Rect pill_rect{(frame.width - tw - 22.0f) / 2.0f, block.pill_y, tw + 22.0f, 22.0f};
  d.fill_round_rect(pill_rect, 11.0f, with_alpha(WHITE, 0.07f));
  d.stroke_round_rect(pill_rect, 11.0f, 1.0f, with_alpha(WHITE, 0.12f));
  d.draw_text(version, pill_rect);
}

void draw_card(FrameContext& frame, float header_height) {
  const Rect card{0.0f, header_height, frame.width, frame.height - header_height + 30.0f};
  frame.draw.shadow(card, 22.0f, -2.0f, 18.0f, with_alpha(SHADOW, 0.35f));
  frame.draw.fill_round_rect(card, 22.0f, CARD);
}

// Seconds since `stamp`, which the first frame after a change sets to its own time.
double elapsed_since(double& stamp, float now) {
  if (stamp == PAGE_TIME_UNSET) stamp = now;
  return std::max(0.0, static_cast<double>(now) - stamp);
}

}  // namespace

std::vector<TextStyle> wizard_text_styles() { return every_text_style(TEXT_TAGLINE); }

SizeF wizard_window_size() { return SizeF{WINDOW_WIDTH, WINDOW_HEIGHT}; }

void paint_wizard(FrameContext& frame, WizardState& state, const ProgressSnapshot& progress) {
  const double e = elapsed_since(state.page_entered_at, frame.time);
  // Under the prompt, Enter acts on the prompt: the focus (and its ring) moves there before
  // anything is drawn, so no ring shows on the page behind the backdrop.
  if (state.app_running_prompt && frame.input.focus != ACTION_CANCEL_APP_RUNNING) {
    frame.input.focus = ACTION_CLOSE_APP_CONTINUE;
  }

  const float target = header_target(header_inputs(frame, state));
  state.header_height = animate(frame, AnimKey{ANIM_HEADER_HEIGHT, 0}, target, HEADER_RATE);

  draw_background(frame);
  const PageKind kind = state.page.kind;
  draw_caption_buttons(frame, is_result_page(kind) || !state.busy);
  draw_logo_block(frame, state, target);
  draw_card(frame, state.header_height);

  DrawContext& d = frame.draw;
  const float k = entry_progress(e);
  if (k < 1.0f) frame.animate = true;
  d.opacity = k;
  if (!is_result_page(kind)) d.offset_y = (1.0f - k) * ENTRY_SHIFT;
  const float h0 = state.header_height;
  switch (kind) {
    case PageKind::Welcome: draw_welcome(frame, state, h0); break;
    case PageKind::Settings: draw_settings(frame, state, h0); break;
    case PageKind::Progress: draw_progress(frame, state, progress, h0); break;
    case PageKind::Done: draw_done(frame, state, h0, e); break;
    case PageKind::Error: draw_error(frame, state, h0, e); break;
  }
  d.opacity = 1.0f;
  d.offset_x = 0.0f;
  d.offset_y = 0.0f;

  if (state.app_running_prompt) {
    draw_app_running_prompt(frame, elapsed_since(state.app_running_prompt_at, frame.time));
  }
  // A passive run's Done page closes by the controller's timed close, not by frames: a
  // minimised window draws none.
}

}  // namespace vl
