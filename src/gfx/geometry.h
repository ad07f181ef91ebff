#pragma once
// Plain values shared by drawing, text and input: colours, points and rectangles in DIPs.
#include <cmath>

namespace vl {

// Straight (not premultiplied) alpha, each component 0..1; laid out like D2D1_COLOR_F.
struct Color {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 1.0f;
  bool operator==(const Color&) const = default;
};

// A colour given as byte values over 255 (fractional values allowed, as in 245 - 7 * hover).
constexpr Color rgb(float r, float g, float b, float a = 1.0f) {
  return Color{r / 255.0f, g / 255.0f, b / 255.0f, a};
}

constexpr Color with_alpha(Color c, float a) {
  c.a = a;
  return c;
}

constexpr float lerp(float from, float to, float t) { return from + (to - from) * t; }

// Component-wise blend, alpha included.
constexpr Color lerp(const Color& from, const Color& to, float t) {
  return Color{lerp(from.r, to.r, t), lerp(from.g, to.g, t), lerp(from.b, to.b, t),
               lerp(from.a, to.a, t)};
}

struct Point {
  float x = 0.0f;
  float y = 0.0f;
  bool operator==(const Point&) const = default;
};

// Top-left corner, width and height in DIPs (Direct2D's rectangles are left, top, right,
// bottom: the Direct2D side converts).
struct Rect {
  float x = 0.0f;
  float y = 0.0f;
  float w = 0.0f;
  float h = 0.0f;
  bool operator==(const Rect&) const = default;

  float right() const { return x + w; }
  float bottom() const { return y + h; }
  Rect moved(float dx, float dy) const { return Rect{x + dx, y + dy, w, h}; }
  // Grows by d on every side (shrinks for negative d).
  Rect grown(float d) const { return Rect{x - d, y - d, w + 2.0f * d, h + 2.0f * d}; }
  // Half-open: the right and bottom edges are outside.
  bool contains(float px, float py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

}  // namespace vl
