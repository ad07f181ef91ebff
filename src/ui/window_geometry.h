#pragma once
// Plain arithmetic of the window host: DIPs to pixels, placement in a work area, mouse words.
#include <cstdint>
#include <optional>

namespace vl {

struct PixelRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct PixelPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const PixelPoint&) const = default;
};

// round(dips × dpi / 96), half away from zero, saturated to the int32 range, NaN as 0.
int32_t dips_to_pixels(float dips, float dpi);

// A DPI reading as the window uses it: anything below 97 (0 on failure, 72…) counts as 96.
float effective_dpi(uint32_t reported_dpi);

// True when `new_dpi` differs from `current` enough to rescale (more than 0.1).
bool dpi_changed(float current, float new_dpi);

// Top-left corner that centres a width × height window in the work area (integer division
// truncating toward zero, as the system's own centring does).
PixelPoint centred_in(const PixelRect& work_area, int32_t width, int32_t height);

// The client point of a mouse message's lParam: signed low and high words.
PixelPoint mouse_point_from_lparam(uint32_t lparam);

// Enter and Space act only on a fresh press: bit 30 of WM_KEYDOWN's lParam is the previous key
// state, set for the auto-repeats of a held key.
bool is_key_repeat(uint32_t lparam);

// The taskbar button's progress out of 1000: the fraction clamped to 0..1 (NaN as 0), times
// 1000, truncated; a fraction of k / 1000 gives exactly k in every build.
uint32_t taskbar_progress_value(float fraction);

}  // namespace vl
