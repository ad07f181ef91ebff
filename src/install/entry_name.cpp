#include "install/entry_name.h"

#include <array>

#include "sys/text.h"

namespace vl {

namespace {

bool is_forbidden_byte(unsigned char c) {
  if (c < 0x20 || c == 0x7F) return true;
  switch (c) {
    case ':': case '/': case '<': case '>': case '"': case '|': case '?': case '*':
      return true;
    default:
      return false;
  }
}

// Windows maps these names, with or without an extension, to devices in any folder.
bool is_device_name(std::string_view component) {
  std::string_view stem = component.substr(0, component.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  static constexpr std::array<std::string_view, 4> plain = {"con", "prn", "aux", "nul"};
  for (std::string_view device : plain) {
    if (iequals_ascii(stem, device)) return true;
  }
  if (stem.size() == 4 && (istarts_with_ascii(stem, "com") || istarts_with_ascii(stem, "lpt")) &&
      stem[3] >= '1' && stem[3] <= '9') {
    return true;
  }
  return iequals_ascii(stem, "conin$") || iequals_ascii(stem, "conout$");
}

bool is_valid_component(std::string_view component) {
  if (component.empty() || component == "." || component == "..") return false;
  char last = component.back();
  if (last == '.' || last == ' ') return false;
  return !is_device_name(component);
}

}  // namespace

bool is_valid_entry_name(std::string_view name) {
  if (name.empty() || !is_valid_utf8(name)) return false;
  for (unsigned char c : name) {
    if (is_forbidden_byte(c)) return false;
  }
  // A leading backslash (absolute or UNC) leaves an empty first component.
  size_t start = 0;
  while (true) {
    size_t end = name.find('\\', start);
    std::string_view component =
        name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!is_valid_component(component)) return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool is_plain_file_name(std::string_view name) {
  return name.find('\\') == std::string_view::npos && is_valid_entry_name(name);
}

}  // namespace vl
