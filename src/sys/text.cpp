#include "sys/text.h"

namespace vl {

std::optional<std::string> utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size()) return std::nullopt;
      char32_t low = text[i + 1];
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return std::nullopt;
    }
    append_utf8(out, c);
  }
  return out;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::optional<char32_t> next_code_point(std::string_view text, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  size_t length;
  char32_t c;
  char32_t min;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, min = 0x10000;
  } else {
    ++pos;
    return std::nullopt;
  }
  if (pos + length > text.size()) {
    ++pos;
    return std::nullopt;
  }
  for (size_t k = 1; k < length; ++k) {
    unsigned char b = byte(pos + k);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return std::nullopt;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return std::nullopt;
  }
  pos += length;
  return c;
}

bool is_valid_utf8(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (!next_code_point(text, pos)) return false;
  }
  return true;
}

std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t c = next_code_point(text, pos).value_or(0xFFFD);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

bool is_unicode_whitespace(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

bool is_ascii_whitespace(char32_t c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool contains_unicode_whitespace(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    auto c = next_code_point(text, pos);
    if (c && is_unicode_whitespace(*c)) return true;
  }
  return false;
}

std::string_view trim_unicode(std::string_view text) {
  // Forward scan keeps the byte range between the first and last non-whitespace code point.
  size_t begin = std::string_view::npos;
  size_t end = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = pos;
    auto c = next_code_point(text, pos);
    if (!c || !is_unicode_whitespace(*c)) {
      if (begin == std::string_view::npos) begin = start;
      end = pos;
    }
  }
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, end - begin);
}

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string ascii_upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ascii_upper(c);
  return out;
}

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

bool iequals_ascii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

bool istarts_with_ascii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && iequals_ascii(text.substr(0, prefix.size()), prefix);
}

bool iends_with_ascii(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         iequals_ascii(text.substr(text.size() - suffix.size()), suffix);
}

namespace {

char32_t lower_code_point(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  // Latin-1 capitals (not the multiplication sign).
  if ((c >= 0xC0 && c <= 0xDE) && c != 0xD7) return c + 32;
  // Latin Extended-A: pairs of capital (even) and small (odd), with a few odd-paired ranges.
  if (c == 0x130) return 'i';  // capital I with dot above
  if (c >= 0x100 && c <= 0x137) return (c % 2 == 0) ? c + 1 : c;
  if (c >= 0x139 && c <= 0x148) return (c % 2 == 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return (c % 2 == 0) ? c + 1 : c;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c % 2 == 1) ? c + 1 : c;
  // Greek.
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if ((c >= 0x391 && c <= 0x3A1) || (c >= 0x3A3 && c <= 0x3AB)) return c + 32;
  // Cyrillic.
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x460 && c <= 0x481) return (c % 2 == 0) ? c + 1 : c;
  if (c >= 0x48A && c <= 0x4BF) return (c % 2 == 0) ? c + 1 : c;
  if (c == 0x4C0) return 0x4CF;
  if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 1) ? c + 1 : c;
  if (c >= 0x4D0 && c <= 0x52F) return (c % 2 == 0) ? c + 1 : c;
  return c;
}

}  // namespace

std::string lower_full(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = pos;
    auto c = next_code_point(text, pos);
    if (!c) {
      out.append(text.substr(start, pos - start));
      continue;
    }
    append_utf8(out, lower_code_point(*c));
  }
  return out;
}

std::string format_text(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string out;
  auto next = values.begin();
  size_t pos = 0;
  while (pos < pattern.size()) {
    size_t hole = pattern.find("{}", pos);
    if (hole == std::string_view::npos || next == values.end()) {
      out.append(pattern.substr(pos));
      break;
    }
    out.append(pattern.substr(pos, hole - pos));
    out.append(*next++);
    pos = hole + 2;
  }
  return out;
}

// Both by hand rather than with snprintf: mingw's printf family would bring its whole
// formatting engine, floating point included, into the program.
std::string decimal_digits(uint64_t value, size_t width) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
    value /= 10;
  } while (value != 0);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

std::string hex_code(uint32_t value) {
  std::string text = "0x00000000";
  for (size_t i = text.size(); value != 0; value >>= 4) text[--i] = "0123456789ABCDEF"[value & 0xF];
  return text;
}

}  // namespace vl
