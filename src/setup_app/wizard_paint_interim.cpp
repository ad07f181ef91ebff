// Interim frame of the wizard: plain pages with the real targets at their places, so that the
// controller runs end to end until the pages themselves arrive. Replaced by the pages' own
// paint_wizard.
#include "gfx/draw_context.h"
#include "gfx/widgets.h"
#include "setup_app/setup_app.h"
#include "setup_app/wizard_state.h"

namespace vl {

namespace {

void title_text(FrameContext& frame, std::string_view text, float y) {
  TextStyle style;
  style.size = 21.0f;
  style.weight = 2;
  style.text = text;
  style.color = rgb(13, 27, 46);
  frame.draw.draw_text(style, Rect{26, y, 368, 28});
}

void footer(FrameContext& frame, uint32_t secondary, std::string_view secondary_label,
            uint32_t primary, std::string_view primary_label, bool enabled) {
  if (secondary != 0) {
    button(frame, secondary, Rect{26, 506, 112, 48}, secondary_label, ButtonStyle::Secondary, true);
    button(frame, primary, Rect{148, 506, 246, 48}, primary_label, ButtonStyle::Primary, enabled);
  } else {
    button(frame, primary, Rect{26, 506, 368, 48}, primary_label, ButtonStyle::Primary, enabled);
  }
}

}  // namespace

void paint_wizard(FrameContext& frame, WizardState& state, const ProgressSnapshot& progress) {
  const float w = frame.width;
  const float h = frame.height;
  state.header_height = 226.0f;
  frame.draw.fill_round_rect(Rect{0, 0, w, h}, 0, rgb(13, 27, 61));
  interact(frame, TARGET_MINIMIZE, Rect{w - 80, 10, 34, 30}, true);
  const bool close_live = state.page.kind == PageKind::Done ||
                          state.page.kind == PageKind::Error || !state.busy;
  interact(frame, TARGET_CLOSE, Rect{w - 44, 10, 34, 30}, close_live);
  frame.draw.fill_round_rect(Rect{0, 226, w, h - 196}, 22, rgb(255, 255, 255));
  const float y0 = 252.0f;
  switch (state.page.kind) {
    case PageKind::Welcome:
      title_text(frame, "Verilune-г суулгах", y0);
      if (state.installed.mode == InstallMode::FreshInstall) {
        link(frame, ACTION_CHANGE, Rect{300, y0 + 80, 94, 24}, "Өөрчлөх", TextAlign::Trailing);
        check_box(frame, ACTION_TOGGLE_DESKTOP, Rect{26, y0 + 130, 368, 20},
                  state.options.desktop_shortcut, "Дэлгэц дээр товчлол үүсгэх");
      }
      if (state.installed.mode == InstallMode::Reinstall) {
        button(frame, ACTION_PRIMARY, Rect{26, 472, 368, 48}, "Дахин суулгах", ButtonStyle::Primary,
               !state.busy);
        link(frame, ACTION_UNINSTALL, Rect{26, 530, 368, 24}, "Програмыг устгах", TextAlign::Center);
      } else {
        footer(frame, 0, {}, ACTION_PRIMARY, "Суулгах", !state.busy);
      }
      break;
    case PageKind::Settings:
      title_text(frame, "Суулгах тохиргоо", y0);
      radio_card(frame, ACTION_SCOPE_ALL_USERS, Rect{26, y0 + 60, 368, 60},
                 state.options.scope == InstallScope::AllUsers, people_icon,
                 "Энэ компьютерийн бүх хэрэглэгч", "Program Files · админ эрх шаардана");
      radio_card(frame, ACTION_SCOPE_CURRENT_USER, Rect{26, y0 + 130, 368, 60},
                 state.options.scope == InstallScope::CurrentUser, person_icon, "Зөвхөн надад",
                 "Хэрэглэгчийн хавтас · админ эрх шаардахгүй");
      button(frame, ACTION_BROWSE, Rect{300, y0 + 200, 94, 36}, "Сонгох…", ButtonStyle::Secondary,
             true);
      footer(frame, ACTION_BACK, "Буцах", ACTION_PRIMARY, "Суулгах", !state.busy);
      break;
    case PageKind::Progress: {
      title_text(frame, "Суулгаж байна", y0);
      state.shown_progress = animate(frame, AnimKey{ANIM_PROGRESS, 0}, progress.fraction, 8.0f);
      frame.draw.fill_round_rect(Rect{26, y0 + 68, 368, 8}, 4, rgb(238, 243, 249));
      frame.draw.fill_round_rect(Rect{26, y0 + 68, std::max(8.0f, 368 * state.shown_progress), 8},
                                 4, rgb(26, 127, 208));
      frame.animate = true;
      break;
    }
    case PageKind::Done:
      title_text(frame, "Суулгалт амжилттай", y0);
      check_box(frame, ACTION_TOGGLE_LAUNCH, Rect{75, y0 + 120, 270, 20}, state.launch_on_finish,
                "Verilune-г одоо нээх");
      footer(frame, 0, {}, ACTION_PRIMARY, "Дуусгах", true);
      if (state.passive) {
        if (frame.time - state.page_entered_at > 0.9) frame.close = true;
        else frame.animate = true;
      }
      break;
    case PageKind::Error:
      title_text(frame, "Суулгаж чадсангүй", y0);
      footer(frame, ACTION_CLOSE, "Хаах", ACTION_RETRY, "Дахин оролдох", true);
      break;
  }
  if (state.app_running_prompt) {
    interact(frame, TARGET_BLOCKER, Rect{0, 0, w, h}, true);
    frame.draw.fill_round_rect(Rect{0, 0, w, h}, 0, rgb(4, 12, 28, 0.52f));
    frame.draw.fill_round_rect(Rect{22, 172, w - 44, 236}, 20, rgb(255, 255, 255));
    button(frame, ACTION_CANCEL_APP_RUNNING, Rect{42, 344, 104, 44}, "Цуцлах",
           ButtonStyle::Secondary, true);
    button(frame, ACTION_CLOSE_APP_CONTINUE, Rect{156, 344, w - 198, 44}, "Хаагаад үргэлжлүүлэх",
           ButtonStyle::Primary, true);
  }
}

}  // namespace vl
