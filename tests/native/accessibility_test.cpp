#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "native/recording_surface.h"
#include "ui/widgets.h"
#include "ui/accessibility.h"

namespace vl {
namespace {

// "role "name" states [acts]" for one item: what a screen reader is told about it.
std::string spoken(const AccessibleItem& item) {
  static const char* const kRoles[] = {"button", "checkbox", "radio", "link", "text", "progress"};
  std::string out = std::string(kRoles[static_cast<int>(item.role)]) + " \"" + item.name + "\"";
  if (item.state & ACCESS_CHECKED) out += " checked";
  if (item.state & ACCESS_UNAVAILABLE) out += " unavailable";
  if (item.state & ACCESS_FOCUSABLE) out += " focusable";
  if (item.state & ACCESS_FOCUSED) out += " focused";
  if (item.state & ACCESS_READ_ONLY) out += " readonly";
  if (!item.default_action.empty()) out += " acts";
  if (!item.description.empty()) out += " (" + item.description + ")";
  if (!item.value.empty()) out += " = " + item.value;
  return out;
}

TextStyle plain(const char* text) {
  TextStyle style;
  style.text = text;
  return style;
}

struct ItemsCase {
  const char* scenario;
  std::function<void(FrameContext&)> paint;
  std::optional<uint32_t> focus;
  std::vector<std::string> expected;
};

TEST(AccessibleItems, FromWhatTheFrameDrew) {
  const ItemsCase cases[] = {
      {"buttons: enabled and focused, disabled",
       [](FrameContext& f) {
         button(f, 1, {0, 0, 100, 40}, "Суулгах", ButtonStyle::Primary, true);
         button(f, 2, {0, 50, 100, 40}, "Идэвхгүй", ButtonStyle::Danger, false);
       },
       1u,
       {"button \"Суулгах\" focusable focused acts", "button \"Идэвхгүй\" unavailable"}},
      {"check box, radio cards and a link carry their drawn labels and state",
       [](FrameContext& f) {
         check_box(f, 4, {0, 0, 300, 28}, true, "Ширээнд товчлол");
         radio_card(f, 5, {0, 30, 300, 64}, true, nullptr, "Бүх хэрэглэгчид", "Бүгдэд");
         radio_card(f, 6, {0, 100, 300, 64}, false, nullptr, "Зөвхөн надад", "Надад");
         link(f, 8, {0, 170, 300, 24}, "Өөрчлөх", TextAlign::Center);
       },
       std::nullopt,
       {"checkbox \"Ширээнд товчлол\" checked focusable acts",
        "radio \"Бүх хэрэглэгчид\" checked focusable acts (Бүгдэд)",
        "radio \"Зөвхөн надад\" focusable acts (Надад)", "link \"Өөрчлөх\" focusable acts"}},
      {"icon-only caption targets are named by the host and never focused",
       [](FrameContext& f) {
         interact(f, TARGET_MINIMIZE, {344, 12, 28, 28}, true);
         interact(f, TARGET_CLOSE, {380, 12, 28, 28}, true);
       },
       TARGET_CLOSE,
       {"button \"Багасгах\" acts", "button \"Хаах\" acts"}},
      {"readable texts and the progress bar in drawing order; plain drawn text is decoration",
       [](FrameContext& f) {
         readable_text(f, plain("Суулгаж байна"), {26, 100, 288, 28});
         f.draw.draw_text(plain("чимэглэл"), {0, 0, 10, 10});
         readable_progress(f, {26, 168, 368, 8}, 0.42f, "42%");
         readable_text(f, plain("алдаа"), {26, 200, 368, 40}, Reading::Alert);
       },
       std::nullopt,
       {"text \"Суулгаж байна\" readonly", "progress \"\" readonly = 42%",
        "text \"алдаа\" readonly"}},
      {"a modal prompt hides everything drawn before its blocker",
       [](FrameContext& f) {
         readable_text(f, plain("Тавтай морил"), {26, 100, 288, 28});
         button(f, 1, {26, 506, 368, 48}, "Суулгах", ButtonStyle::Primary, true);
         modal_blocker(f, {0, 0, 420, 580});
         readable_text(f, plain("Verilune ажиллаж байна"), {42, 246, 336, 22});
         button(f, 13, {42, 344, 104, 44}, "Цуцлах", ButtonStyle::Secondary, true);
       },
       1u,
       {"text \"Verilune ажиллаж байна\" readonly", "button \"Цуцлах\" focusable acts"}},
  };
  for (const ItemsCase& c : cases) {
    SCOPED_TRACE(c.scenario);
    RecordingHost host;
    host.frame(0.015f, c.paint);
    std::vector<std::string> said;
    for (const AccessibleItem& item : accessible_items(host.input().access_active, c.focus)) {
      said.push_back(spoken(item));
    }
    EXPECT_EQ(said, c.expected);
  }
}

TEST(AccessibleItems, OnlyWhatCanBeReachedCanBePressed) {
  RecordingHost host;
  host.frame(0.015f, [](FrameContext& f) {
    button(f, 1, {26, 506, 368, 48}, "Суулгах", ButtonStyle::Primary, true);
    interact(f, TARGET_BLOCKER, {0, 0, 420, 580}, true);
    button(f, 13, {42, 344, 104, 44}, "Цуцлах", ButtonStyle::Secondary, true);
    button(f, 2, {156, 344, 222, 44}, "Идэвхгүй", ButtonStyle::Primary, false);
  });
  const auto items = accessible_items(host.input().access_active, std::nullopt);
  EXPECT_TRUE(is_pressable(items, 13));
  EXPECT_FALSE(is_pressable(items, 1));  // behind the prompt
  EXPECT_FALSE(is_pressable(items, 2));
  EXPECT_FALSE(is_pressable(items, 99));
}

TEST(AccessibleItems, TextsAreWhereTheyShowUnderTheFrameOffset) {
  RecordingHost host;
  host.frame(0.015f, [](FrameContext& f) {
    f.draw.offset_x = 12;  // a page sliding in
    readable_text(f, plain("Гарчиг"), {26, 100, 288, 28});
  });
  const auto items = accessible_items(host.input().access_active, std::nullopt);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(item_at(items, 26 + 12 + 1, 101), 0u);
  EXPECT_EQ(item_at(items, 27, 101), std::nullopt);
}

// ---- events --------------------------------------------------------------------------------

AccessibleItem control(uint32_t id, bool focused = false) {
  AccessibleItem item;
  item.id = id;
  item.state = ACCESS_FOCUSABLE | (focused ? uint32_t{ACCESS_FOCUSED} : 0u);
  return item;
}
AccessibleItem checked(uint32_t id, bool on) {
  AccessibleItem item = control(id);
  if (on) item.state |= ACCESS_CHECKED;
  return item;
}
AccessibleItem text(const char* name, bool alert = false) {
  AccessibleItem item;
  item.role = AccessRole::StaticText;
  item.name = name;
  item.alert = alert;
  return item;
}
AccessibleItem progress(float fraction) {
  AccessibleItem item;
  item.role = AccessRole::ProgressBar;
  item.fraction = fraction;
  return item;
}

struct EventsCase {
  const char* scenario;
  std::optional<std::vector<AccessibleItem>> before;  // none: the window's first frame
  double seconds_between;
  std::vector<AccessibleItem> after;
  AccessEvents expected;
};

TEST(AccessAnnouncer, EventsAfterAFrame) {
  using Items = std::vector<AccessibleItem>;
  const Items page{text("Гарчиг"), control(1), control(2)};
  const EventsCase cases[] = {
      {"the first frame: new children, the reader reads the window", std::nullopt, 0, page,
       {.reorder = true, .focus = 0}},
      {"an unchanged frame says nothing", page, 0.015, page, {}},
      {"Tab to the second button", Items{text("Гарчиг"), control(1, true), control(2)}, 0.015,
       Items{text("Гарчиг"), control(1), control(2, true)}, {.focus = 3}},
      {"a new page without a focused item", page, 0.015, Items{text("Дууслаа"), control(7)},
       {.reorder = true, .focus = 0}},
      {"a new page whose item holds the focus", page, 0.015, Items{control(7, true)},
       {.reorder = true, .focus = 1}},
      {"the focused item gone from an unchanged set: the window", Items{control(1, true)}, 0.015,
       Items{control(1)}, {.focus = 0}},
      {"choosing the other radio card", Items{checked(5, true), checked(6, false)}, 0.015,
       Items{checked(5, false), checked(6, true)}, {.state_changes = {1, 2}}},
      {"an error text that appears is announced", Items{text("Гарчиг"), text("", true)}, 0.015,
       Items{text("Гарчиг"), text("алдаа", true)}, {.alert = 2}},
      {"the same error text on the next frame is not",
       Items{text("Гарчиг"), text("алдаа", true)}, 0.015,
       Items{text("Гарчиг"), text("алдаа", true)}, {}},
      {"progress: less than a percent", Items{progress(0.10f)}, 2.0, Items{progress(0.105f)}, {}},
      {"progress: too soon", Items{progress(0.10f)}, 0.5, Items{progress(0.30f)}, {}},
      {"progress: a percent or more after the interval", Items{progress(0.10f)}, 1.5,
       Items{progress(0.12f)}, {.value = 1}},
      {"progress: completion at once", Items{progress(0.995f)}, 0.015, Items{progress(1.0f)},
       {.value = 1}},
  };
  for (const EventsCase& c : cases) {
    SCOPED_TRACE(c.scenario);
    AccessAnnouncer announcer;
    double now = 10.0;
    if (c.before) announcer.after_frame(*c.before, now);
    now += c.seconds_between;
    EXPECT_EQ(announcer.after_frame(c.after, now), c.expected);
  }
}

TEST(AccessAnnouncer, ProgressMovingEveryFrameIsAnnouncedAboutOnceASecond) {
  AccessAnnouncer announcer;
  int announced = 0;
  for (int frame = 0; frame <= 400; ++frame) {  // 6 s at 15 ms, 0 to 100 %
    const std::vector<AccessibleItem> items{progress(frame / 400.0f)};
    if (announcer.after_frame(items, frame * 0.015).value) ++announced;
  }
  EXPECT_GE(announced, 5);
  EXPECT_LE(announced, 7);
}

}  // namespace
}  // namespace vl
