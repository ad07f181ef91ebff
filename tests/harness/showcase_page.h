#pragma once
// The widget showcase's drawing, portable: the window tests and the offscreen renderer draw it
// through Direct2D (showcase_app.h), the page gallery through Cairo. Layout in showcase_app.h.
#include <cstdint>
#include <span>

#include "gfx/draw_context.h"
#include "ui/frame_context.h"
#include "ui/interaction.h"
#include "ui/widgets.h"

namespace showcase {

inline constexpr uint32_t ID_PRIMARY = 1;
inline constexpr uint32_t ID_SECONDARY = 2;
inline constexpr uint32_t ID_DISABLED = 3;
inline constexpr uint32_t ID_ALLOW_CLOSE = 4;
inline constexpr uint32_t ID_ALL_USERS = 5;
inline constexpr uint32_t ID_CURRENT_USER = 6;
inline constexpr uint32_t ID_HELP = 7;
inline constexpr uint32_t ID_LINK = 8;

inline constexpr vl::Color HEADER_COLOR = vl::rgb(13, 27, 61);
inline constexpr vl::Color BODY_COLOR = vl::rgb(244, 247, 251);

// A plain caption glyph button: a minus or a cross on a faint tile that brightens on hover.
inline void caption_button(vl::FrameContext& frame, uint32_t id, const vl::Rect& r, bool cross) {
  using namespace vl;
  const Interaction state = interact(frame, id, r, true);
  frame.draw.fill_round_rect(r, 8, rgb(255, 255, 255, 0.08f + 0.14f * state.hover));
  const float cx = r.x + r.w / 2;
  const float cy = r.y + r.h / 2;
  const Color ink = rgb(255, 255, 255, 0.9f);
  if (cross) {
    frame.draw.line(cx - 5, cy - 5, cx + 5, cy + 5, 1.6f, ink);
    frame.draw.line(cx + 5, cy - 5, cx - 5, cy + 5, 1.6f, ink);
  } else {
    frame.draw.line(cx - 5, cy, cx + 5, cy, 1.6f, ink);
  }
}

// What the showcase shows: the check box and the chosen radio card.
struct ShowcaseState {
  bool allow_close = false;
  bool all_users = true;
};

inline void paint_showcase(vl::FrameContext& frame, const ShowcaseState& state,
                           std::span<const uint8_t> logo) {
  using namespace vl;
  DrawContext& d = frame.draw;
  d.fill_round_rect({0, 0, frame.width, frame.height}, 0, BODY_COLOR);
  d.fill_round_rect({0, 0, frame.width, 120}, 0, HEADER_COLOR);

  button(frame, ID_HELP, {16, 12, 96, 32}, "Тусламж", ButtonStyle::Secondary, true);
  caption_button(frame, TARGET_MINIMIZE, {344, 12, 28, 28}, false);
  caption_button(frame, TARGET_CLOSE, {380, 12, 28, 28}, true);
  if (!logo.empty()) d.draw_png("logo", logo, {145, 40, 130, 54});
  TextStyle title_style;
  title_style.size = 15;
  title_style.weight = 2;
  title_style.display = true;
  title_style.text = "Verilune суулгагч — туршилт";
  title_style.color = rgb(255, 255, 255);
  title_style.align = TextAlign::Center;
  readable_text(frame, title_style, {20, 96, 380, 20});

  button(frame, ID_PRIMARY, {40, 140, 160, 44}, "Суулгах", ButtonStyle::Primary, true);
  button(frame, ID_SECONDARY, {220, 140, 160, 44}, "Болих", ButtonStyle::Secondary, true);
  button(frame, ID_DISABLED, {40, 200, 340, 40}, "Идэвхгүй", ButtonStyle::Danger, false);
  check_box(frame, ID_ALLOW_CLOSE, {40, 256, 340, 28}, state.allow_close, "Хаахыг зөвшөөрөх");
  radio_card(frame, ID_ALL_USERS, {40, 296, 340, 64}, state.all_users, people_icon,
             "Бүх хэрэглэгчид", "Компьютерийн бүх хэрэглэгч");
  radio_card(frame, ID_CURRENT_USER, {40, 370, 340, 64}, !state.all_users, person_icon,
             "Зөвхөн надад", "Одоогийн хэрэглэгч");
  link(frame, ID_LINK, {40, 446, 340, 24}, "Дэлгэрэнгүй мэдээлэл", TextAlign::Center);

  TextStyle body;
  body.size = 12.5f;
  body.wrap = true;
  body.line_height = 18.0f;
  body.text = "Энэ цонх нь товч, сонголт, холбоос зэрэг бүх элементийг харуулна. "
              "Гарын Tab товчоор шилжинэ.";
  body.color = rgb(57, 73, 95);
  readable_text(frame, body, {40, 480, 340, 80});
}

}  // namespace showcase
