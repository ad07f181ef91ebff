#pragma once
// Text helpers. Inside the installer text is UTF-8 (std::string); at the Windows boundary it is
// UTF-16, carried portably as std::u16string. UTF-16 that is not valid counts as missing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// UTF-16 -> UTF-8; nullopt when the input holds an unpaired surrogate.
std::optional<std::string> utf16_to_utf8(std::u16string_view text);
// UTF-8 -> UTF-16; invalid bytes become U+FFFD (our own UTF-8 is always valid).
std::u16string utf8_to_utf16(std::string_view text);
bool is_valid_utf8(std::string_view text);

// Decodes one code point at `pos` < text.size() (advancing it); nullopt on invalid UTF-8
// (pos moves by one).
std::optional<char32_t> next_code_point(std::string_view text, size_t& pos);
void append_utf8(std::string& out, char32_t code_point);

// Unicode White_Space (tab, LF, VT, FF, CR, space, U+0085, U+00A0, U+1680, U+2000..U+200A,
// U+2028, U+2029, U+202F, U+205F, U+3000).
bool is_unicode_whitespace(char32_t c);
// Tab, LF, FF, CR, space: the ASCII whitespace of the command line rules (no vertical tab).
bool is_ascii_whitespace(char32_t c);
bool contains_unicode_whitespace(std::string_view text);

// Trims Unicode whitespace at both ends of UTF-8 text.
std::string_view trim_unicode(std::string_view text);

char ascii_upper(char c);
char ascii_lower(char c);
std::string ascii_upper(std::string_view text);
std::string ascii_lower(std::string_view text);
bool iequals_ascii(std::string_view a, std::string_view b);
bool istarts_with_ascii(std::string_view text, std::string_view prefix);
bool iends_with_ascii(std::string_view text, std::string_view suffix);

// Lower-casing of UTF-8 text for path comparison: the Unicode simple lower-case mapping of
// ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic; other characters stay as they are.
std::string lower_full(std::string_view text);

// Formats "{}" placeholders in order.
std::string format_text(std::string_view pattern, std::initializer_list<std::string_view> values);

// `value` in decimal, with leading zeros up to `width` digits.
std::string decimal_digits(uint64_t value, size_t width = 1);
// "0x" and eight upper-case hexadecimal digits: how error codes are shown.
std::string hex_code(uint32_t value);

}  // namespace vl
