#include "sys/runtime_message.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace vl {
namespace {

std::string formatted(size_t capacity, const char* format, ...) {
  char out[64];
  va_list args;
  va_start(args, format);
  size_t length = format_runtime_message(out, capacity, format, args);
  va_end(args);
  EXPECT_EQ(length, std::string(out).size());
  return out;
}

TEST(RuntimeMessage, FillsTheRuntimesConversions) {
  EXPECT_EQ(formatted(64, "%s: __n (which is %zu) >= this->size() (which is %zu)", "at", size_t{7},
                      size_t{0}),
            "at: __n (which is 7) >= this->size() (which is 0)");
  EXPECT_EQ(formatted(64, "%lu %d %d 100%%", ULONG_MAX, INT_MIN, 0),
            std::to_string(ULONG_MAX) + " -2147483648 0 100%");
  EXPECT_EQ(formatted(64, "%s|%x|%", static_cast<const char*>(nullptr)), "(null)|%x|%");
  EXPECT_EQ(formatted(8, "%s", "abcdefghij"), "abcdefg");  // cut, still terminated
}

}  // namespace
}  // namespace vl
