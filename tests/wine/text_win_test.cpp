#include <gtest/gtest.h>

#include "sys/text_win.h"

namespace vl {
namespace {

TEST(TextWin, InvalidUtf16CountsAsMissing) {
  const wchar_t broken[] = {L'a', static_cast<wchar_t>(0xD800), 0};
  EXPECT_FALSE(from_wide(broken).has_value());
  EXPECT_EQ(from_wide(L"Верилун").value(), "Верилун");
  EXPECT_EQ(to_wide("Верилун"), L"Верилун");
}

TEST(TextWin, SystemMessageLosesTrailingLineBreak) {
  std::string text = system_message(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
  EXPECT_NE(text.find("denied"), std::string::npos) << text;
}

}  // namespace
}  // namespace vl
