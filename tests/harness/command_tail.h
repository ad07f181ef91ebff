#pragma once
// Splitting a raw Windows command line the way the C runtime does, keeping track of where each
// token ends, so that a launcher can take its own leading arguments and hand the rest of the
// line to a child verbatim. Portable (templated on the character type) so that it is unit
// tested natively.
//
// Rules (those of CommandLineToArgvW and the Microsoft C runtime since 2008):
// - the program name (first token) runs to the next double quote when it starts with one, else
//   to the first space or tab; backslashes are not special in it;
// - other tokens end at a space or tab outside quotes; 2n backslashes before a quote give n
//   backslashes and the quote opens or closes quoting; 2n+1 backslashes before a quote give n
//   backslashes and a literal quote; backslashes not followed by a quote are literal; inside
//   quotes, two quotes in a row give one literal quote and quoting continues.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vl::harness {

template <typename CharT>
struct Token {
  std::basic_string<CharT> value;
  size_t end = 0;  // index just after the token's last character in the raw line
};

template <typename CharT>
constexpr bool is_blank(CharT c) {
  return c == CharT(' ') || c == CharT('\t');
}

template <typename CharT>
size_t skip_blanks(std::basic_string_view<CharT> line, size_t pos) {
  while (pos < line.size() && is_blank(line[pos])) ++pos;
  return pos;
}

// The program name at the start of the line (no leading blanks are skipped: the system puts
// none there).
template <typename CharT>
Token<CharT> program_token(std::basic_string_view<CharT> line) {
  Token<CharT> token;
  size_t pos = 0;
  if (!line.empty() && line[0] == CharT('"')) {
    pos = 1;
    while (pos < line.size() && line[pos] != CharT('"')) token.value += line[pos++];
    if (pos < line.size()) ++pos;  // the closing quote
  } else {
    while (pos < line.size() && !is_blank(line[pos])) token.value += line[pos++];
  }
  token.end = pos;
  return token;
}

// The argument that starts at or after `pos` (leading blanks skipped); nullopt at the end.
template <typename CharT>
std::optional<Token<CharT>> argument_token(std::basic_string_view<CharT> line, size_t pos) {
  pos = skip_blanks(line, pos);
  if (pos >= line.size()) return std::nullopt;
  Token<CharT> token;
  bool quoted = false;
  while (pos < line.size()) {
    const CharT c = line[pos];
    if (!quoted && is_blank(c)) break;
    if (c == CharT('\\')) {
      size_t count = 0;
      while (pos < line.size() && line[pos] == CharT('\\')) ++count, ++pos;
      if (pos < line.size() && line[pos] == CharT('"')) {
        token.value.append(count / 2, CharT('\\'));
        if (count % 2 == 1) {
          token.value += CharT('"');
          ++pos;
        }
        // An even count leaves the quote to the next round, where it toggles quoting.
      } else {
        token.value.append(count, CharT('\\'));
      }
      continue;
    }
    if (c == CharT('"')) {
      if (quoted && pos + 1 < line.size() && line[pos + 1] == CharT('"')) {
        token.value += CharT('"');
        pos += 2;
      } else {
        quoted = !quoted;
        ++pos;
      }
      continue;
    }
    token.value += c;
    ++pos;
  }
  token.end = pos;
  return token;
}

// What follows the token that ends at `end`, with the blanks between them removed: the part of
// the line that is passed on verbatim.
template <typename CharT>
std::basic_string_view<CharT> tail_after(std::basic_string_view<CharT> line, size_t end) {
  return line.substr(skip_blanks(line, end));
}

// The launcher's command line for a child: the program name in double quotes (a Windows path
// holds no quote, and the program-name rule gives backslashes no meaning), then, when there is
// one, a space and the tail exactly as it was given.
template <typename CharT>
std::basic_string<CharT> child_command_line(std::basic_string_view<CharT> program,
                                            std::basic_string_view<CharT> tail) {
  std::basic_string<CharT> line;
  line += CharT('"');
  line += program;
  line += CharT('"');
  if (!tail.empty()) {
    line += CharT(' ');
    line += tail;
  }
  return line;
}

}  // namespace vl::harness
