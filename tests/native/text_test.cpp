#include <gtest/gtest.h>

#include "sys/paths.h"
#include "sys/text.h"

namespace vl {
namespace {

TEST(Utf16, UnpairedSurrogatesCountAsMissing) {
  EXPECT_FALSE(utf16_to_utf8(u"a\xD800").has_value());
  EXPECT_FALSE(utf16_to_utf8(u"\xDC00z").has_value());
  EXPECT_FALSE(utf16_to_utf8(std::u16string{u'\xD800', u'x'}).has_value());
  EXPECT_EQ(utf16_to_utf8(u"Тест \U0001F511").value(), "Тест \U0001F511");
  EXPECT_EQ(utf8_to_utf16("Тест \U0001F511"), u"Тест \U0001F511");
}

TEST(Utf8, RejectsOverlongSurrogateAndTruncatedSequences) {
  EXPECT_TRUE(is_valid_utf8("Монгол"));
  EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));      // encoded surrogate
  EXPECT_FALSE(is_valid_utf8("\xE2\x82"));          // cut short
  EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
}

TEST(Trim, RemovesUnicodeWhitespaceOnly) {
  EXPECT_EQ(trim_unicode("\u3000\t a b \u00A0\u2029"), "a b");
  EXPECT_EQ(trim_unicode(" \u200B "), "\u200B");  // zero width space is not White_Space
  EXPECT_EQ(trim_unicode("   "), "");
}

TEST(LowerFull, FoldsCyrillicAndLatin) {
  EXPECT_EQ(lower_full("C:\\PROGRAM FILES\\ВЕРИЛУН Ё"), "c:\\program files\\верилун ё");
  EXPECT_EQ(lower_full("ÀÉÖ"), "àéö");
  EXPECT_EQ(lower_full("\u0130\u0131"), "i\u0131");  // dotted capital I, dotless small i
}

TEST(JoinPath, DoesNotDoubleBackslashOfDriveRoot) {
  EXPECT_EQ(join_path("D:\\", "verilune.exe"), "D:\\verilune.exe");
  EXPECT_EQ(join_path("C:\\Apps", "verilune.exe"), "C:\\Apps\\verilune.exe");
  EXPECT_EQ(join_path("", "Verilune"), "Verilune");
}

TEST(FormatText, FillsPlaceholdersInOrder) {
  EXPECT_EQ(format_text("registry {}: {}", {"a", "b"}), "registry a: b");
  EXPECT_EQ(format_text("«{}» missing {}", {"x"}), "«x» missing {}");
}

TEST(NumberText, DigitsAndCodes) {
  struct Row {
    std::string text, expected;
  };
  for (const Row& row : std::initializer_list<Row>{
           {decimal_digits(0), "0"},
           {decimal_digits(7, 3), "007"},
           {decimal_digits(2026, 2), "2026"},
           {decimal_digits(UINT64_MAX), "18446744073709551615"},
           {hex_code(0), "0x00000000"},
           {hex_code(0x80070005u), "0x80070005"},
           {hex_code(0xABCu), "0x00000ABC"},
       }) {
    EXPECT_EQ(row.text, row.expected);
  }
}

}  // namespace
}  // namespace vl
