#pragma once
// Whether a failure text is one that the payload reader and entry loop define: a decoder
// text, "premature eof", "corrupt xz stream", the bad-name text, a truncated entry, or a
// failed fixed-size read wrapped in the damaged-payload text.
#include <array>
#include <string>
#include <string_view>

#include "payload/copy_entries.h"
#include "payload/payload_reader.h"
#include "sys/text.h"

namespace vl::testing_support {

inline bool is_read_error_text(std::string_view text) {
  static const std::array<std::string_view, 10> texts = {
      "lzma data error", "invalid options", "stream/file format not recognized",
      "memory limit reached", "can't allocate memory", "liblzma internal error",
      "no integrity check was available", "liblzma not built with check support",
      TEXT_PREMATURE_EOF, TEXT_CORRUPT_XZ};
  for (std::string_view t : texts) {
    if (text == t) return true;
  }
  return false;
}

inline bool is_defined_payload_text(std::string_view text) {
  if (is_read_error_text(text) || text == TEXT_BAD_FILE_NAME) return true;
  for (std::string_view reason : {TEXT_FILL_WHOLE_BUFFER, TEXT_PREMATURE_EOF, TEXT_CORRUPT_XZ,
                                  std::string_view("lzma data error"), std::string_view("invalid options"),
                                  std::string_view("stream/file format not recognized"),
                                  std::string_view("memory limit reached"),
                                  std::string_view("can't allocate memory"),
                                  std::string_view("liblzma internal error"),
                                  std::string_view("no integrity check was available"),
                                  std::string_view("liblzma not built with check support")}) {
    if (text == format_text(TEXT_PAYLOAD_DAMAGED, {reason})) return true;
  }
  constexpr std::string_view prefix = "payload: ";
  constexpr std::string_view suffix = " truncated";
  return text.size() > prefix.size() + suffix.size() && text.starts_with(prefix) &&
         text.ends_with(suffix);
}

}  // namespace vl::testing_support
