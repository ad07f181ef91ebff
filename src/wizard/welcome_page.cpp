// The Welcome page: what the installer is about to do, where and for whom, the legacy client's
// removal, the desktop shortcut of a fresh install, and the button that starts.
#include <string>

#include "ui/widgets.h"
#include "wizard/pages.h"
#include "wizard/strings.h"
#include "wizard/theme.h"

namespace vl {

void draw_welcome(FrameContext& frame, const WizardState& state, float h0) {
  DrawContext& d = frame.draw;
  const InstallMode mode = state.installed.mode;
  const bool fresh = mode == InstallMode::FreshInstall;
  const bool reinstall = mode == InstallMode::Reinstall;

  const std::string sentence = version_sentence(
      mode, state.installed.existing ? state.installed.existing->version : std::nullopt);
  const float y1 =
      draw_title_block(frame, h0 + BODY_GAP, welcome_title(mode), sentence, TextAlign::Leading);

  // Location panel: folder tile, scope caption, the directory, and "Өөрчлөх" when editable.
  const float py = y1 + 18.0f;
  const Rect panel{CONTENT_X, py, CONTENT_WIDTH, 62.0f};
  d.fill_round_rect(panel, PANEL_RADIUS, PANEL_FILL);
  d.stroke_round_rect(panel, PANEL_RADIUS, 1.0f, PANEL_STROKE);
  const float cy = py + 31.0f;
  d.fill_round_rect(Rect{39.0f, cy - 18.0f, 36.0f, 36.0f}, 10.0f, with_alpha(ICON_TILE, 0.13f));
  folder_icon(frame, 57.0f, cy, ACCENT);
  const float cw = fresh ? 233.0f : 307.0f;
  const std::string caption = location_caption(state.options.scope);
  readable_text(frame, text_style(TextRole::LocationCaption, caption),
                Rect{87.0f, py + 13.0f, cw - 8.0f, 16.0f});
  readable_text(frame, text_style(TextRole::LocationValue, state.options.install_dir),
                Rect{87.0f, cy, cw - 12.0f, 18.0f});
  if (fresh) {
    link(frame, ACTION_CHANGE, Rect{310.0f, cy - 12.0f, 74.0f, 24.0f}, TEXT_CHANGE,
         TextAlign::Trailing);
  }

  const float y2 = py + 62.0f + 12.0f;
  float y3 = y2;
  if (state.installed.legacy) {
    const Rect legacy{CONTENT_X, y2, CONTENT_WIDTH, 76.0f};
    d.fill_round_rect(legacy, PANEL_RADIUS, WARN_FILL);
    d.stroke_round_rect(legacy, PANEL_RADIUS, 1.0f, with_alpha(WARN_STROKE, 0.28f));
    warning_icon(frame, 50.0f, y2 + 22.0f);
    readable_text(frame, text_style(TextRole::LegacyTitle, TEXT_LEGACY_TITLE),
                  Rect{70.0f, y2 + 12.0f, 312.0f, 20.0f});
    const std::string label = legacy_remove_label(state.installed.legacy->display_version);
    check_box(frame, ACTION_TOGGLE_LEGACY, Rect{70.0f, y2 + 40.0f, 312.0f, 24.0f},
              state.options.remove_legacy, label);
    y3 = y2 + 76.0f + 12.0f;
  }
  if (fresh) {
    check_box(frame, ACTION_TOGGLE_DESKTOP, Rect{28.0f, y3 + 2.0f, 364.0f, 26.0f},
              state.options.desktop_shortcut, TEXT_DESKTOP_SHORTCUT);
  }

  // Reinstall lifts the button to make room for the uninstall link under it.
  const float by = reinstall ? 472.0f : FOOTER_Y;
  draw_notice(frame, state.error_text, by);
  button(frame, ACTION_PRIMARY, Rect{CONTENT_X, by, CONTENT_WIDTH, FOOTER_HEIGHT},
         welcome_button(mode), ButtonStyle::Primary, !state.busy);
  if (reinstall) {
    // Inert while busy: an elevated copy may be installing into the folder it would empty.
    link(frame, ACTION_UNINSTALL, Rect{CONTENT_X, 530.0f, CONTENT_WIDTH, 24.0f}, TEXT_UNINSTALL,
         TextAlign::Center, !state.busy);
  }
}

}  // namespace vl
