#include "ui/window_geometry.h"

#include <cmath>
#include <limits>

namespace vl {

int32_t dips_to_pixels(float dips, float dpi) {
  const double value = std::round(static_cast<double>(dips) * static_cast<double>(dpi) / 96.0);
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(value);
}

float effective_dpi(uint32_t reported_dpi) {
  return reported_dpi < 97 ? 96.0f : static_cast<float>(reported_dpi);
}

bool dpi_changed(float current, float new_dpi) { return std::fabs(new_dpi - current) > 0.1f; }

PixelPoint centred_in(const PixelRect& work_area, int32_t width, int32_t height) {
  const int64_t x = work_area.left + (int64_t{work_area.right} - work_area.left - width) / 2;
  const int64_t y = work_area.top + (int64_t{work_area.bottom} - work_area.top - height) / 2;
  return {static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

PixelPoint mouse_point_from_lparam(uint32_t lparam) {
  return {static_cast<int16_t>(lparam & 0xFFFF), static_cast<int16_t>((lparam >> 16) & 0xFFFF)};
}

uint32_t taskbar_progress_value(float fraction) {
  if (std::isnan(fraction) || fraction <= 0.0f) return 0;
  if (fraction >= 1.0f) return 1000;
  // 0.7f is 0.69999999: the 32-bit build keeps the product in x87 extended precision, where it
  // truncates to 699, while SSE rounds it to 700 first. Formed exactly in double and nudged by
  // far less than a thousandth, k / 1000 gives k in both builds.
  return static_cast<uint32_t>(static_cast<double>(fraction) * 1000.0 + 1e-4);
}

bool is_key_repeat(uint32_t lparam) { return (lparam & (1u << 30)) != 0; }

}  // namespace vl
