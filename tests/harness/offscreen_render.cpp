// Draws the widget showcase, or a named page state of page_states.h, offscreen into a PNG:
//   offscreen_render.exe --out=FILE.png [--dpi=96] [--time=1.0] [--logo=PNG] [--mouse=X,Y]
//                        [--state=NAME] [--step=S]
// A state brings its own time, hover and focus (--time and --mouse still override them).
// Prints "size W H", "frames N", "logo_pixel_width W" (or "logo_pixel_width none") and
// "animating 0|1" on success; exit status 1 and a message on failure.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gfx/embedded_image_win.h"
#include "page_states.h"
#include "sys/text_win.h"
#include "showcase_app.h"
#include "ui/offscreen_render_win.h"

int wmain(int argc, wchar_t** argv) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
  vl::OffscreenRequest request;
  auto out = showcase::option(argc, argv, L"out");
  if (!out) {
    std::fprintf(stderr, "usage: offscreen_render --out=FILE.png [--dpi=N] [--time=S] "
                         "[--logo=PNG] [--mouse=X,Y] [--state=NAME] [--step=S]\n");
    return 2;
  }
  request.png_path = *out;
  const std::vector<page_states::PageState> states = page_states::all();
  const page_states::PageState* state = nullptr;
  if (auto name = showcase::option(argc, argv, L"state")) {
    const std::string utf8 = vl::from_wide(*name).value_or("");
    state = page_states::find(states, utf8);
    if (state == nullptr) {
      std::fprintf(stderr, "offscreen_render: no page state named %s\n", utf8.c_str());
      return 2;
    }
    request.time = state->time;
    request.hover = state->hover;
    request.focus = state->focus;
  }
  if (auto dpi = showcase::option(argc, argv, L"dpi")) request.dpi = std::wcstof(dpi->c_str(), nullptr);
  if (auto t = showcase::option(argc, argv, L"time")) request.time = std::wcstof(t->c_str(), nullptr);
  if (auto step = showcase::option(argc, argv, L"step")) {
    request.frame_step = std::wcstof(step->c_str(), nullptr);
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

  std::unique_ptr<vl::WindowApp> app;
  if (state != nullptr) {
    app = std::make_unique<page_states::StateApp>(state->paint, logo);
  } else {
    app = std::make_unique<showcase::ShowcaseApp>(nullptr, logo);
  }
  vl::Result<vl::OffscreenResult> result = vl::render_offscreen(*app, request);
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
  ::CoUninitialize();
  return 0;
}
