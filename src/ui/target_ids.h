#pragma once
// The hit-target ids the window host reserves for itself; the pages' ids lie below them.
#include <cstdint>

namespace vl {

// Reserved ids, handled by the window host itself. Ids from 0xFFF0 upwards never take focus.
inline constexpr uint32_t TARGET_CLOSE = 0xFFF0;
inline constexpr uint32_t TARGET_MINIMIZE = 0xFFF1;
// Inert target covering the page under a modal overlay; it also starts the Tab scope.
inline constexpr uint32_t TARGET_BLOCKER = 0xFFFE;
inline constexpr uint32_t FIRST_RESERVED_TARGET = 0xFFF0;

constexpr bool is_focusable_id(uint32_t id) { return id < FIRST_RESERVED_TARGET; }

}  // namespace vl
