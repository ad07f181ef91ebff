#pragma once
// The wizard's state as the pages see it: what they draw from and the little they change while
// drawing (the animated header height and progress). `SetupApp` owns one `WizardState` and
// keeps everything that is not the pages' business (threads, the shared progress record, the
// startup context) beside it. Portable: tests and the page gallery build it directly.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "args/install_options.h"
#include "install/install_job.h"
#include "product/installed_state.h"

namespace vl {

enum class PageKind : uint8_t { Welcome = 0, Settings = 1, Progress = 2, Done = 3, Error = 4 };

struct Page {
  PageKind kind = PageKind::Welcome;
  std::string message;  // the failure text of an Error page; empty otherwise
  bool operator==(const Page&) const = default;
};

// Hit-target ids of the pages.
inline constexpr uint32_t ACTION_PRIMARY = 1;
inline constexpr uint32_t ACTION_CHANGE = 2;
inline constexpr uint32_t ACTION_TOGGLE_DESKTOP = 3;
inline constexpr uint32_t ACTION_TOGGLE_LEGACY = 4;
inline constexpr uint32_t ACTION_SCOPE_ALL_USERS = 5;
inline constexpr uint32_t ACTION_SCOPE_CURRENT_USER = 6;
inline constexpr uint32_t ACTION_BROWSE = 7;
inline constexpr uint32_t ACTION_BACK = 8;
inline constexpr uint32_t ACTION_TOGGLE_LAUNCH = 9;
inline constexpr uint32_t ACTION_RETRY = 10;
inline constexpr uint32_t ACTION_CLOSE = 11;
inline constexpr uint32_t ACTION_UNINSTALL = 12;
inline constexpr uint32_t ACTION_CLOSE_APP_CONTINUE = 13;
inline constexpr uint32_t ACTION_CANCEL_APP_RUNNING = 14;

// What the progress page shows of the running installation, copied from the shared record
// under its lock once per frame.
struct ProgressSnapshot {
  uint8_t step = NO_STEP_YET;  // an InstallStep value
  float fraction = 0.0f;
  std::string detail;
};

inline constexpr double PAGE_TIME_UNSET = -1.0;

struct WizardState {
  Page page;
  // Seconds on the frame clock (FrameContext::time). The controller stamps a change with the
  // clock's reading at that moment (WindowControl::clock_time); a state made without one
  // (tests, the gallery) holds PAGE_TIME_UNSET and the next frame stamps its own time.
  double page_entered_at = PAGE_TIME_UNSET;
  InstalledState installed;  // mode, existing install, legacy client
  InstallOptions options;    // scope, install_dir, dir_customized, desktop, legacy
  bool passive = false;      // /P: the Done page closes itself
  bool launch_on_finish = true;
  bool busy = false;
  std::optional<std::string> error_text;
  bool app_running_prompt = false;
  double app_running_prompt_at = PAGE_TIME_UNSET;  // stamped like page_entered_at
  std::vector<InstallStep> step_list;              // filled when an installation starts
  // The step list the progress page plans for while `step_list` is still empty; computed once.
  std::vector<InstallStep> planned_steps;
  float shown_progress = 0.0f;
  float header_height = 250.0f;
  bool elevated = false;          // the process runs elevated (the progress page's status line)
  std::span<const uint8_t> logo;  // the embedded logo PNG; empty: the header shows none
};

}  // namespace vl
