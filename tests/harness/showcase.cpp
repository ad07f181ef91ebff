// The widget showcase in a real window:
//   showcase.exe [--log=FILE] [--logo=PNG] [--pos=X,Y] [--close-at-start]
// Without --logo it uses the executable's embedded logo when it has one.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gfx/embedded_image_win.h"
#include "product/product.h"
#include "showcase_app.h"
#include "sys/dpi_win.h"
#include "ui/run_window.h"

int wmain(int argc, wchar_t** argv) {
  vl::enable_per_monitor_dpi_awareness();
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;

  std::FILE* log = stdout;
  if (auto path = showcase::option(argc, argv, L"log")) {
    log = _wfopen(path->c_str(), L"w");
    if (log == nullptr) return 4;
  }
  std::vector<uint8_t> logo_file;
  std::span<const uint8_t> logo = vl::embedded_logo();
  if (auto path = showcase::option(argc, argv, L"logo")) {
    logo_file = showcase::read_binary_file(path->c_str());
    logo = logo_file;
  }
  std::optional<vl::PixelPoint> position;
  if (auto pos = showcase::option(argc, argv, L"pos")) {
    int x = 0;
    int y = 0;
    if (swscanf(pos->c_str(), L"%d,%d", &x, &y) == 2) position = vl::PixelPoint{x, y};
  }

  auto app = std::make_unique<showcase::ShowcaseApp>(log, logo);
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--close-at-start") app->close_at_start = true;
  }
  vl::run_window(std::move(app), position, vl::WINDOW_CLASS_NAME);
  std::fprintf(log, "exit\n");
  std::fflush(log);
  ::CoUninitialize();
  return 0;
}
