// The install-settings page: the scope cards, the install folder with "Сонгох…", back and
// install.
#include "ui/widgets.h"
#include "wizard/pages.h"
#include "wizard/strings.h"
#include "wizard/theme.h"

namespace vl {

void draw_settings(FrameContext& frame, const WizardState& state, float h0) {
  DrawContext& d = frame.draw;
  const float y1 = draw_title_block(frame, h0 + BODY_GAP, TEXT_SETTINGS_TITLE,
                                    TEXT_SETTINGS_PARAGRAPH, TextAlign::Leading);
  const bool all_users = state.options.scope == InstallScope::AllUsers;
  radio_card(frame, ACTION_SCOPE_ALL_USERS, Rect{CONTENT_X, y1 + 16.0f, CONTENT_WIDTH, 60.0f},
             all_users, people_icon, TEXT_CARD_ALL_USERS, TEXT_CARD_ALL_USERS_NOTE);
  radio_card(frame, ACTION_SCOPE_CURRENT_USER, Rect{CONTENT_X, y1 + 86.0f, CONTENT_WIDTH, 60.0f},
             !all_users, person_icon, TEXT_CARD_CURRENT_USER, TEXT_CARD_CURRENT_USER_NOTE);

  readable_text(frame, text_style(TextRole::SectionLabel, TEXT_SECTION_LOCATION),
                Rect{28.0f, y1 + 162.0f, CONTENT_WIDTH, 16.0f});
  const Rect field{CONTENT_X, y1 + 184.0f, CONTENT_WIDTH, 46.0f};
  d.fill_round_rect(field, 11.0f, PANEL_FILL);
  d.stroke_round_rect(field, 11.0f, 1.0f, PANEL_STROKE);
  folder_icon(frame, 48.0f, y1 + 207.0f, TEXT_FAINT);
  // One line ending in an ellipsis before "Сонгох…", however long the folder.
  readable_text(frame, text_style(TextRole::LocationValue, state.options.install_dir),
                Rect{68.0f, y1 + 184.0f, 228.0f, 46.0f});
  button(frame, ACTION_BROWSE, Rect{303.0f, y1 + 191.0f, 84.0f, 32.0f}, TEXT_BROWSE,
         ButtonStyle::Secondary, true);

  draw_notice(frame, state.error_text, FOOTER_Y);
  button(frame, ACTION_BACK, FOOTER_SECONDARY, TEXT_BACK, ButtonStyle::Secondary, true);
  button(frame, ACTION_PRIMARY, FOOTER_PRIMARY, TEXT_INSTALL, ButtonStyle::Primary, !state.busy);
}

}  // namespace vl
