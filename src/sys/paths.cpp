#include "sys/paths.h"

#include <array>

#include "sys/text.h"

namespace vl {

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }
bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string_view without_trailing_backslashes(std::string_view path) {
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return path;
}

// Lower-cased backslash components; empty ones are kept, so "C:\\a" differs from "C:\a".
std::vector<std::string> lowered_backslash_components(std::string_view path) {
  std::vector<std::string> out;
  std::string lower = lower_full(without_trailing_backslashes(path));
  size_t start = 0;
  while (start <= lower.size()) {
    size_t end = lower.find('\\', start);
    if (end == std::string::npos) end = lower.size();
    out.push_back(lower.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

bool is_forbidden_name_byte(unsigned char c) {
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

bool is_valid_entry_component(std::string_view component) {
  if (component.empty() || component == "." || component == "..") return false;
  char last = component.back();
  if (last == '.' || last == ' ') return false;
  return !is_device_name(component);
}

}  // namespace

std::string join_path(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && out.back() != '\\') out += '\\';
  out.append(name);
  return out;
}

std::string_view file_name_of(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string parent_folder(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  if (cut == std::string_view::npos) return {};
  std::string_view parent = path.substr(0, cut);
  // "D:" alone means the drive's current folder, and "\x" lies in the current drive's root:
  // the root keeps its separator.
  if (parent.empty() || (parent.size() == 2 && parent[1] == ':')) return std::string(path.substr(0, cut + 1));
  return std::string(parent);
}

std::vector<std::string_view> path_components(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool is_absolute_path(std::string_view path) {
  if (path.size() >= 3 && is_ascii_letter(path[0]) && path[1] == ':' && is_separator(path[2]))
    return true;
  return path.size() >= 3 && is_separator(path[0]) && is_separator(path[1]) &&
         !is_separator(path[2]);
}

std::string normalize_location(std::string_view text) {
  std::string_view view = trim_unicode(text);
  while (!view.empty() && view.front() == '"') view.remove_prefix(1);
  while (!view.empty() && view.back() == '"') view.remove_suffix(1);
  while (!view.empty() && view.back() == '\\') view.remove_suffix(1);
  std::string out(view);
  if (!out.empty() && out.back() == ':') out += '\\';
  return out;
}

bool is_valid_entry_name(std::string_view name) {
  if (name.empty() || !is_valid_utf8(name)) return false;
  for (unsigned char c : name) {
    if (is_forbidden_name_byte(c)) return false;
  }
  // A leading backslash (absolute or UNC) leaves an empty first component.
  size_t start = 0;
  while (true) {
    size_t end = name.find('\\', start);
    std::string_view component =
        name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!is_valid_entry_component(component)) return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool is_plain_file_name(std::string_view name) {
  return name.find('\\') == std::string_view::npos && is_valid_entry_name(name);
}

bool same_path(std::string_view a, std::string_view b) { return path_key(a) == path_key(b); }

std::string path_key(std::string_view path) { return lower_full(without_trailing_backslashes(path)); }

bool same_name(std::string_view a, std::string_view b) { return iequals_ascii(a, b); }

bool is_inside(std::string_view dir, std::string_view path) {
  std::vector<std::string> d = lowered_backslash_components(dir);
  std::vector<std::string> p = lowered_backslash_components(path);
  if (d.size() > p.size()) return false;
  for (size_t i = 0; i < d.size(); ++i) {
    if (d[i] != p[i]) return false;
  }
  return true;
}

bool is_inside_any_separators(std::string_view outer, std::string_view inner) {
  std::vector<std::string_view> outer_parts = path_components(outer);
  std::vector<std::string_view> inner_parts = path_components(inner);
  if (outer_parts.empty() || outer_parts.size() > inner_parts.size()) return false;
  for (size_t i = 0; i < outer_parts.size(); ++i) {
    if (lower_full(outer_parts[i]) != lower_full(inner_parts[i])) return false;
  }
  return true;
}

namespace {

// "X:\…" with a plain path below the drive: no dot components, no further ':'.
bool is_plain_drive_path(std::string_view path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  const char drive = static_cast<char>(path[0] | 0x20);
  if (drive < 'a' || drive > 'z') return false;
  if (path.find(':', 2) != std::string_view::npos || path.find('/') != std::string_view::npos)
    return false;
  for (std::string_view part : path_components(path.substr(3))) {
    if (part == "." || part == "..") return false;
  }
  return true;
}

}  // namespace

bool is_inside_profile(std::string_view profile, std::string_view path) {
  return is_plain_drive_path(profile) && is_plain_drive_path(path) &&
         is_inside_any_separators(profile, path);
}

}  // namespace vl
