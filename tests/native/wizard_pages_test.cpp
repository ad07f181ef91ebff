#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "install/install_job.h"
#include "native/draw_expect.h"
#include "native/recording_surface.h"
#include "support/versions.h"
#include "support/wizard_states.h"
#include "wizard/pages.h"
#include "wizard/strings.h"
#include "wizard/theme.h"
#include "wizard/wizard.h"

namespace vl {
namespace {

using draw_expect::near_rect;
using page_states::WizardStateCase;

constexpr float kFrame = 0.015f;

// Draws the case as the window would: frames 15 ms apart until its page is `seconds` old, the
// mouse arriving after the first frame.
struct Drawn {
  RecordingHost host;
  WizardState state;
  RecordingHost::FrameResult last;
};

void draw_case(Drawn& d, const WizardStateCase& c) {
  d.state = c.state;
  if (c.focus) {
    d.host.input().focus = *c.focus;
    d.host.input().focus_visible = true;
  }
  const auto paint = [&](FrameContext& f) { paint_wizard(f, d.state, c.progress); };
  d.last = d.host.frame(kFrame, paint);
  if (c.mouse) on_mouse_move(d.host.input(), c.mouse->x, c.mouse->y);
  while (d.host.time() < kFrame + c.seconds) d.last = d.host.frame(kFrame, paint);
}

const WizardStateCase& named(const char* name) {
  const WizardStateCase* c = page_states::find_wizard_state(name);
  EXPECT_NE(c, nullptr) << name;
  static const WizardStateCase none;
  return c ? *c : none;
}

std::vector<uint32_t> target_ids(const std::vector<HitTarget>& targets) {
  std::vector<uint32_t> ids;
  for (const HitTarget& t : targets) ids.push_back(t.id);
  return ids;
}

TEST(WizardPages, HeaderTargetByPageWithItsClamps) {
  struct Case {
    const char* scenario;
    HeaderInputs in;
    float expected;
  };
  const auto welcome = [](InstallMode mode, bool legacy, float p, std::optional<float> notice) {
    HeaderInputs in;
    in.page = PageKind::Welcome;
    in.mode = mode;
    in.legacy = legacy;
    in.paragraph_height = p;
    in.notice_height = notice;
    return in;
  };
  const auto page = [](PageKind kind, float p, std::optional<float> notice, size_t steps) {
    HeaderInputs in;
    in.page = kind;
    in.paragraph_height = p;
    in.notice_height = notice;
    in.steps = steps;
    return in;
  };
  const Case cases[] = {
      {"progress, five steps", page(PageKind::Progress, 0, {}, 5), 238},
      {"progress, three steps: 310 clamped", page(PageKind::Progress, 0, {}, 3), 250},
      {"fresh with legacy panel", welcome(InstallMode::FreshInstall, true, 37, {}), 175},
      {"fresh, legacy and notice: below the notice's floor",
       welcome(InstallMode::FreshInstall, true, 37, 30.0f), 128},
      {"upgrade, no shortcut row", welcome(InstallMode::Upgrade, true, 37, {}), 217},
      {"reinstall reserves the uninstall link", welcome(InstallMode::Reinstall, true, 37, {}), 183},
      {"downgrade with a notice", welcome(InstallMode::Downgrade, true, 37, 15.0f), 176},
      {"settings", page(PageKind::Settings, 18.5f, {}, 0), 173.5f},
      {"settings with a notice goes below the usual floor",
       page(PageKind::Settings, 18.5f, 15.0f, 0), 132.5f},
      {"done", page(PageKind::Done, 0, {}, 0), 226},
      {"error ignores a notice", page(PageKind::Error, 0, 30.0f, 0), 226},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    EXPECT_FLOAT_EQ(header_target(c.in), c.expected);
  }
}

TEST(WizardPages, PercentageRoundsHalfAwayFromZeroAndSaturates) {
  const struct {
    float fraction;
    const char* text;
  } cases[] = {
      {0.996f, "100%"},
      {0.994f, "99%"},
      {0.125f, "13%"},
      {0.0f, "0%"},
      {std::numeric_limits<float>::quiet_NaN(), "0%"},
      {1e30f, "2147483647%"},
  };
  for (const auto& c : cases) EXPECT_EQ(percentage_text(c.fraction), c.text) << c.fraction;
}

// The passive close is the controller's, by the clock (a minimised window draws no frames):
// no frame closes the window, and a settled Done page asks for no more frames.
TEST(WizardPages, PassiveDonePageLeavesItsCloseToTheClock) {
  const struct {
    const char* scenario;
    bool passive;
    PageKind page;
    float seconds;
    bool close;
    std::optional<bool> animate;
  } cases[] = {
      {"passive, 0.5 s: the badge still moves", true, PageKind::Done, 0.5f, false, true},
      {"passive, past the dwell: no frame closes, none asked", true, PageKind::Done, 2.0f, false,
       false},
      {"interactive stays", false, PageKind::Done, 2.0f, false, false},
      {"passive error page stays", true, PageKind::Error, 2.0f, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    WizardStateCase wc = named("done-fresh");
    wc.state.passive = c.passive;
    wc.state.page.kind = c.page;
    wc.seconds = c.seconds;
    Drawn d;
    draw_case(d, wc);
    EXPECT_EQ(d.last.close, c.close);
    if (c.animate) {
      EXPECT_EQ(d.last.animate, *c.animate);
    }
  }
}

// An idle page leaves the window without a timer; Progress animates the whole time, but at a
// pace slower than the timer's own so that drawing does not compete with the installation.
TEST(WizardPages, ASettledPageAsksForNoFrameAndProgressForPacedOnes) {
  for (const WizardStateCase& c : page_states::wizard_state_cases()) {
    if (c.seconds < BADGE_SECONDS) continue;  // caught mid-animation on purpose
    SCOPED_TRACE(c.name);
    Drawn d;
    draw_case(d, c);
    const bool progress = c.state.page.kind == PageKind::Progress;
    EXPECT_EQ(d.last.animate, progress);
    if (progress) {
      EXPECT_GT(animation_timer_ms(d.last.min_interval), ANIMATION_TIMER_MS);
    }
  }
}

TEST(WizardPages, TargetsEachPageRegistersInOrder) {
  constexpr uint32_t MIN = TARGET_MINIMIZE;
  constexpr uint32_t CLOSE = TARGET_CLOSE;
  constexpr uint32_t BLOCK = TARGET_BLOCKER;
  const struct {
    const char* state;
    bool busy;
    std::vector<uint32_t> ids;
  } cases[] = {
      {"welcome-fresh", false, {MIN, CLOSE, ACTION_CHANGE, ACTION_TOGGLE_DESKTOP, ACTION_PRIMARY}},
      {"welcome-fresh-legacy",
       false,
       {MIN, CLOSE, ACTION_CHANGE, ACTION_TOGGLE_LEGACY, ACTION_TOGGLE_DESKTOP, ACTION_PRIMARY}},
      {"welcome-fresh", true, {MIN, ACTION_CHANGE, ACTION_TOGGLE_DESKTOP}},
      {"welcome-upgrade", false, {MIN, CLOSE, ACTION_PRIMARY}},
      {"welcome-downgrade-legacy", false, {MIN, CLOSE, ACTION_TOGGLE_LEGACY, ACTION_PRIMARY}},
      {"welcome-reinstall", false, {MIN, CLOSE, ACTION_PRIMARY, ACTION_UNINSTALL}},
      {"welcome-reinstall", true, {MIN}},  // the uninstall link is inert while busy
      {"settings-current-user",
       false,
       {MIN, CLOSE, ACTION_SCOPE_ALL_USERS, ACTION_SCOPE_CURRENT_USER, ACTION_BROWSE, ACTION_BACK,
        ACTION_PRIMARY}},
      {"settings-current-user",
       true,
       {MIN, ACTION_SCOPE_ALL_USERS, ACTION_SCOPE_CURRENT_USER, ACTION_BROWSE, ACTION_BACK}},
      {"progress-midway-all-steps", true, {MIN}},
      {"done-fresh", true, {MIN, CLOSE, ACTION_TOGGLE_LAUNCH, ACTION_PRIMARY}},
      {"error-short", true, {MIN, CLOSE, ACTION_CLOSE, ACTION_RETRY}},
      {"prompt-over-welcome",
       false,
       {MIN, CLOSE, ACTION_PRIMARY, BLOCK, ACTION_CANCEL_APP_RUNNING, ACTION_CLOSE_APP_CONTINUE}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.state) + (c.busy ? " busy" : ""));
    WizardStateCase wc = named(c.state);
    wc.state.busy = c.busy;
    Drawn d;
    draw_case(d, wc);
    EXPECT_EQ(target_ids(d.host.input().active), c.ids);
  }
}

TEST(WizardPages, ClickDuringPageEntryLandsOnTheButtonWhereItIsDrawn) {
  for (const char* name : {"welcome-entry-0.1", "welcome-fresh"}) {
    SCOPED_TRACE(name);
    Drawn d;
    draw_case(d, named(name));
    // The primary button's body: the full-width footer gradient.
    std::optional<Rect> drawn;
    for (const DrawCall& call : d.host.surface().of(DrawOp::LinearGradient)) {
      if (call.rect.w == FOOTER_FULL.w && call.rect.h == FOOTER_FULL.h) drawn = call.rect;
    }
    ASSERT_TRUE(drawn);
    const std::vector<HitTarget>& active = d.host.input().active;
    const auto primary = std::find_if(active.begin(), active.end(),
                                      [](const HitTarget& t) { return t.id == ACTION_PRIMARY; });
    ASSERT_NE(primary, active.end());
    EXPECT_TRUE(near_rect(primary->rect, *drawn));
    EXPECT_EQ(hit_test(active, drawn->x + 4, drawn->bottom() - 0.5f), ACTION_PRIMARY);
  }
}

TEST(WizardPages, LogoIsDecodedAtTheSettledSizeWhileTheHeaderAnimates) {
  const uint8_t png[] = {0x89, 'P', 'N', 'G'};
  Drawn d;
  d.state = named("welcome-fresh").state;
  d.state.logo = png;
  const ProgressSnapshot progress;
  const auto paint = [&](FrameContext& f) { paint_wizard(f, d.state, progress); };
  d.host.frame(kFrame, paint);
  d.state.page = Page{PageKind::Error, "x"};
  d.state.page_entered_at = PAGE_TIME_UNSET;
  std::vector<float> widths;
  std::vector<float> decoded;
  for (int i = 0; i < 60; ++i) {
    d.host.frame(kFrame, paint);
    const std::vector<DrawCall> bitmaps = d.host.surface().of(DrawOp::Bitmap);
    ASSERT_EQ(bitmaps.size(), 1u);
    widths.push_back(bitmaps[0].rect.w);
    decoded.push_back(bitmaps[0].decode_width);
  }
  EXPECT_NE(widths.front(), widths.back()) << "the header did not animate";
  for (float w : decoded) EXPECT_FLOAT_EQ(w, decoded.front());
  EXPECT_NEAR(widths.back(), decoded.back(), 0.01f);
}

TEST(WizardPages, TextsChosenByStateAndMode) {
  const struct {
    const char* state;
    std::string text;
  } cases[] = {
      {"welcome-upgrade",
       "Таны компьютерт " + test_versions::older() + " хувилбар суусан байна. " +
           test_versions::own() + " болгон шинэчилнэ — тохиргоо тань хэвээр үлдэнэ."},
      {"welcome-upgrade-unknown-version", std::string(TEXT_PRODUCT_DESCRIPTION)},
      {"welcome-reinstall",
       test_versions::own() + " хувилбар аль хэдийн суусан байна. Файлуудыг дахин хуулж "
                              "засварлана."},
      {"welcome-downgrade",
       "Илүү шинэ " + test_versions::newer() + " хувилбар суусан байна. Үргэлжлүүлбэл " +
           test_versions::own() + " хувилбар руу буцна."},
      {"welcome-fresh-legacy", "2.4.1 хувилбарыг устгах (зөвлөмж)"},
      {"welcome-fresh-legacy-unknown-version", std::string(TEXT_LEGACY_REMOVE)},
      {"settings-all-users", "Суулгах байршил"},
      {"welcome-upgrade", "Суулгах байршил · Зөвхөн надад"},
      {"progress-start-all-steps", std::string(TEXT_AWAITING_ADMIN)},
      {"progress-midway-all-steps", std::string(TEXT_PLEASE_WAIT)},
      {"progress-midway-all-steps", std::string(step_label(InstallStep::InstallWebView2))},
      {"progress-upgrade-planned", std::string(step_label(InstallStep::CopyFiles))},
      {"done-fresh", std::string(TEXT_DONE_FRESH)},
      {"done-upgrade-no-launch", std::string(TEXT_DONE_UPDATE)},
      {"done-fresh",
       "Verilune " + test_versions::own() +
           " суулаа. Програм system tray-д байрлаж, токен залгахад автоматаар танина."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    Drawn d;
    draw_case(d, named(c.state));
    const std::vector<std::string> texts = d.host.surface().texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), c.text), texts.end()) << c.text;
  }
  // Elevated, the all-users run no longer waits for the administrator.
  WizardStateCase elevated = named("progress-start-all-steps");
  elevated.state.elevated = true;
  Drawn d;
  draw_case(d, elevated);
  const std::vector<std::string> texts = d.host.surface().texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), TEXT_PLEASE_WAIT), texts.end());
}

}  // namespace
}  // namespace vl
