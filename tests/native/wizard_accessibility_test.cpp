#include <gtest/gtest.h>

#include "native/recording_surface.h"
#include "support/wizard_states.h"
#include "ui/accessibility.h"
#include "wizard/wizard.h"

namespace vl {
namespace {

// Every page as a screen reader gets it from the frame: each control carries a name, the page
// has texts to read, and a failure text is announced.
TEST(WizardAccessibility, EveryPageStateIsReadable) {
  for (const page_states::WizardStateCase& c : page_states::wizard_state_cases()) {
    SCOPED_TRACE(c.name);
    RecordingHost host;
    WizardState state = c.state;
    const auto paint = [&](FrameContext& f) { paint_wizard(f, state, c.progress); };
    while (host.time() < c.seconds + 0.015f) host.frame(0.015f, paint);
    const auto items = accessible_items(host.input().access_active, host.input().focus);

    size_t texts = 0;
    bool alert = false;
    for (const AccessibleItem& item : items) {
      if (item.role == AccessRole::StaticText) ++texts;
      if (item.role != AccessRole::StaticText && item.role != AccessRole::ProgressBar) {
        EXPECT_FALSE(item.name.empty()) << "control " << item.id;
        // Under the prompt only its own buttons can be reached.
        if (state.app_running_prompt) {
          EXPECT_TRUE(item.id == ACTION_CANCEL_APP_RUNNING || item.id == ACTION_CLOSE_APP_CONTINUE)
              << "control " << item.id;
        }
      }
      alert = alert || (item.alert && item.name == state.page.message);
    }
    EXPECT_GE(texts, 1u);
    EXPECT_EQ(alert, state.page.kind == PageKind::Error && !state.app_running_prompt);
  }
}

}  // namespace
}  // namespace vl
