#include "install/legacy_removal.h"

#include <vector>

#include "sys/text.h"

namespace vl {

namespace {

std::optional<std::string> usable(const std::optional<std::string>& folder) {
  if (!folder) return std::nullopt;
  std::string_view trimmed = trim_unicode(*folder);
  if (trimmed.empty()) return std::nullopt;
  return std::string(trimmed);
}

// Path components, separators being backslash and slash; empty components are dropped.
std::vector<std::string_view> components(std::string_view path) {
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

bool has_dot_component(std::string_view path) {
  for (std::string_view part : components(path)) {
    if (part == "." || part == "..") return true;
  }
  return false;
}

bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_separator(char c) { return c == '\\' || c == '/'; }

std::string_view last_component(std::string_view path) {
  std::vector<std::string_view> parts = components(path);
  return parts.empty() ? std::string_view() : parts.back();
}

}  // namespace

std::string legacy_uninstall_arguments(std::string_view product_code, bool quiet) {
  return format_text("/x {} {} /norestart", {product_code, quiet ? "/qn" : "/qb-!"});
}

std::string previous_msi_uninstall_arguments(std::string_view product_code) {
  return format_text("/x {} /qb-! /norestart", {product_code});
}

std::optional<std::string> msiexec_path(const std::optional<std::string>& system_known_folder,
                                        const std::optional<std::string>& system_directory) {
  if (auto folder = usable(system_known_folder)) return join_path(*folder, MSIEXEC_NAME);
  if (auto folder = usable(system_directory)) return join_path(*folder, MSIEXEC_NAME);
  return std::nullopt;
}

bool is_absolute_path(std::string_view path) {
  if (path.size() >= 3 && is_ascii_letter(path[0]) && path[1] == ':' && is_separator(path[2]))
    return true;
  // "\\server\share…" (also "\\?\…"): two separators and a non-empty server name.
  return path.size() >= 3 && is_separator(path[0]) && is_separator(path[1]) &&
         !is_separator(path[2]);
}

bool path_contains(std::string_view outer, std::string_view inner) {
  std::vector<std::string_view> outer_parts = components(outer);
  std::vector<std::string_view> inner_parts = components(inner);
  if (outer_parts.empty() || outer_parts.size() > inner_parts.size()) return false;
  for (size_t i = 0; i < outer_parts.size(); ++i) {
    if (lower_full(outer_parts[i]) != lower_full(inner_parts[i])) return false;
  }
  return true;
}

LegacyFolderAction legacy_folder_action(std::string_view location, std::string_view install_dir) {
  if (!is_absolute_path(location)) return LegacyFolderAction::Nothing;
  std::string_view last = last_component(location);
  bool own_folder = iequals_ascii(last, LEGACY_FOLDER_NAME);
  if (own_folder && !has_dot_component(location) && !has_dot_component(install_dir) &&
      !path_contains(location, install_dir)) {
    return LegacyFolderAction::RemoveTree;
  }
  return LegacyFolderAction::RemoveExecutables;
}

}  // namespace vl
