#pragma once
// Comparisons for recorded drawing: geometry and colours within float rounding.
#include <gtest/gtest.h>

#include "native/recording_surface.h"

namespace vl::draw_expect {

inline constexpr float kTol = 1e-3f;

inline ::testing::AssertionResult near_rect(const Rect& actual, const Rect& expected,
                                            float tol = kTol) {
  if (std::fabs(actual.x - expected.x) <= tol && std::fabs(actual.y - expected.y) <= tol &&
      std::fabs(actual.w - expected.w) <= tol && std::fabs(actual.h - expected.h) <= tol) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "rect (" << actual.x << ", " << actual.y << ", " << actual.w << ", " << actual.h
         << ") expected (" << expected.x << ", " << expected.y << ", " << expected.w << ", "
         << expected.h << ")";
}

inline ::testing::AssertionResult near_point(const Point& actual, const Point& expected,
                                             float tol = kTol) {
  if (std::fabs(actual.x - expected.x) <= tol && std::fabs(actual.y - expected.y) <= tol) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "point (" << actual.x << ", " << actual.y
                                       << ") expected (" << expected.x << ", " << expected.y
                                       << ")";
}

// Expected colour given as bytes over 255 and an alpha.
inline ::testing::AssertionResult near_color(const Color& actual, float r, float g, float b,
                                             float a, float tol = 1e-4f) {
  const Color e = rgb(r, g, b, a);
  if (std::fabs(actual.r - e.r) <= tol && std::fabs(actual.g - e.g) <= tol &&
      std::fabs(actual.b - e.b) <= tol && std::fabs(actual.a - e.a) <= tol) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "colour (" << actual.r * 255 << ", " << actual.g * 255 << ", " << actual.b * 255
         << ", a " << actual.a << ") expected (" << r << ", " << g << ", " << b << ", a " << a
         << ")";
}

// The sequence of operations, for checking what a widget draws and in which order.
inline std::vector<DrawOp> ops(const std::vector<DrawCall>& calls) {
  std::vector<DrawOp> result;
  for (const DrawCall& c : calls) result.push_back(c.op);
  return result;
}

inline std::vector<DrawOp> repeat(DrawOp op, int n) { return std::vector<DrawOp>(n, op); }

inline std::vector<DrawOp> concat(std::initializer_list<std::vector<DrawOp>> parts) {
  std::vector<DrawOp> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

}  // namespace vl::draw_expect
