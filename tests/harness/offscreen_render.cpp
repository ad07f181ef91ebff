// Draws the widget showcase, or a named wizard page state, offscreen into a PNG:
//   offscreen_render.exe --out=FILE.png [--dpi=96] [--time=1.0] [--logo=PNG] [--mouse=X,Y]
//   offscreen_render.exe --out=FILE.png --state=NAME [--from=NAME] [--dpi=96] [--logo=PNG]
// With --state the frame is drawn the state's own seconds after its page was entered (the
// state's mouse and focus rest on it); --from draws another state for a second first and then
// changes to NAME, so the header animates between the two pages' heights.
// Prints "size W H", "frames N", "logo_pixel_width W" (or "logo_pixel_width none"),
// "animating 0|1" and "frame_ms first F max M mean A" on success (--each-frame=1 adds
// "frame_ms_each" with every frame); exit status 1 and a message on failure. --states lists the
// state names; --states-dir=DIR draws every state into DIR\NAME.png with one line of frame
// times each.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "gfx/embedded_image_win.h"
#include "showcase_app.h"
#include "support/wizard_state_app.h"
#include "support/wizard_states.h"
#include "sys/text_win.h"
#include "ui/offscreen_render_win.h"

namespace {

using vl::page_states::WizardStateCase;

const WizardStateCase* state_option(int argc, wchar_t** argv, const wchar_t* name) {
  auto value = showcase::option(argc, argv, name);
  if (!value) return nullptr;
  const auto* found = vl::page_states::find_wizard_state(vl::from_wide(*value).value_or(""));
  if (!found) std::fprintf(stderr, "offscreen_render: no state %ls\n", value->c_str());
  return found;
}

// Draws `state` (after `from`, for a second, when given) at the state's own page age.
vl::Result<vl::OffscreenResult> render_state(const WizardStateCase& state,
                                             const WizardStateCase* from,
                                             vl::OffscreenRequest request,
                                             std::span<const uint8_t> logo) {
  vl::page_states::WizardStateApp app(from ? *from : state, logo);
  const float change_at = from ? 1.0f : 0.0f;
  if (from) app.change_to(state, change_at);
  const vl::FramePlan plan = vl::page_states::state_frames(state, change_at);
  request.time = plan.time;
  request.frame_step = plan.frame_step;
  request.mouse_x = plan.mouse_x;
  request.mouse_y = plan.mouse_y;
  request.focus = plan.focus;
  return vl::render_offscreen(app, request);
}

void print_frame_times(const vl::OffscreenResult& result) {
  double max_ms = 0.0;
  double total_ms = 0.0;
  for (double ms : result.frame_ms) {
    max_ms = std::max(max_ms, ms);
    total_ms += ms;
  }
  const size_t n = result.frame_ms.size();
  std::printf("frame_ms first %.2f max %.2f mean %.2f\n", n ? result.frame_ms.front() : 0.0,
              max_ms, n ? total_ms / static_cast<double>(n) : 0.0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  vl::OffscreenRequest request;
  if (showcase::option(argc, argv, L"states")) {
    for (const WizardStateCase& c : vl::page_states::wizard_state_cases()) {
      std::printf("%s\n", c.name.c_str());
    }
    return 0;
  }
  if (auto dpi = showcase::option(argc, argv, L"dpi")) {
    request.dpi = std::wcstof(dpi->c_str(), nullptr);
  }
  if (auto t = showcase::option(argc, argv, L"time")) {
    request.time = std::wcstof(t->c_str(), nullptr);
  }
  if (auto mouse = showcase::option(argc, argv, L"mouse")) {
    float x = 0;
    float y = 0;
    if (swscanf(mouse->c_str(), L"%f,%f", &x, &y) == 2) {
      request.mouse_x = x;
      request.mouse_y = y;
    }
  }
  std::vector<uint8_t> logo_file;
  std::span<const uint8_t> logo = vl::embedded_logo();
  if (auto path = showcase::option(argc, argv, L"logo")) {
    logo_file = showcase::read_binary_file(path->c_str());
    logo = logo_file;
  }

  // Every named state into DIR\NAME.png, one line of figures each.
  if (auto dir = showcase::option(argc, argv, L"states-dir")) {
    int failures = 0;
    for (const auto& c : vl::page_states::wizard_state_cases()) {
      request.png_path = *dir + L"\\" + vl::to_wide(c.name) + L".png";
      vl::Result<vl::OffscreenResult> result = render_state(c, nullptr, request, logo);
      std::printf("%s ", c.name.c_str());
      if (!result) {
        std::printf("failed %s\n", result.error().c_str());
        ++failures;
        continue;
      }
      print_frame_times(*result);
    }
    ::CoUninitialize();
    return failures == 0 ? 0 : 1;
  }

  auto out = showcase::option(argc, argv, L"out");
  if (!out) {
    std::fprintf(stderr, "usage: offscreen_render --out=FILE.png [--dpi=N] [--time=S] "
                         "[--logo=PNG] [--mouse=X,Y] [--state=NAME [--from=NAME]]\n"
                         "       offscreen_render --states-dir=DIR [--dpi=N] | --states\n");
    return 2;
  }
  request.png_path = *out;
  std::optional<vl::Result<vl::OffscreenResult>> rendered;
  if (showcase::option(argc, argv, L"state")) {
    const WizardStateCase* state = state_option(argc, argv, L"state");
    if (!state) return 2;
    const WizardStateCase* from = nullptr;
    if (showcase::option(argc, argv, L"from")) {
      from = state_option(argc, argv, L"from");
      if (!from) return 2;
    }
    rendered.emplace(render_state(*state, from, request, logo));
  } else {
    showcase::ShowcaseApp app(nullptr, logo);
    rendered.emplace(vl::render_offscreen(app, request));
  }
  vl::Result<vl::OffscreenResult>& result = *rendered;
  if (!result) {
    std::fprintf(stderr, "offscreen_render: %s\n", result.error().c_str());
    return 1;
  }
  std::printf("size %u %u\n", result->pixel_width, result->pixel_height);
  std::printf("frames %d\n", result->frames);
  if (result->logo_pixel_width) {
    std::printf("logo_pixel_width %u\n", *result->logo_pixel_width);
  } else {
    std::printf("logo_pixel_width none\n");
  }
  std::printf("animating %d\n", result->last_frame_animates ? 1 : 0);
  print_frame_times(*result);
  if (showcase::option(argc, argv, L"each-frame")) {
    std::printf("frame_ms_each");
    for (double ms : result->frame_ms) std::printf(" %.1f", ms);
    std::printf("\n");
  }
  ::CoUninitialize();
  return 0;
}
