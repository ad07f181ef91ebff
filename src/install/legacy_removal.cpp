#include "install/legacy_removal.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "product/product.h"
#include "sys/paths.h"
#include "sys/text.h"

namespace vl {

namespace {

std::optional<std::string> usable(const std::optional<std::string>& folder) {
  if (!folder) return std::nullopt;
  std::string_view trimmed = trim_unicode(*folder);
  if (trimmed.empty()) return std::nullopt;
  return std::string(trimmed);
}

bool has_dot_component(std::string_view path) {
  for (std::string_view part : path_components(path)) {
    if (part == "." || part == "..") return true;
  }
  return false;
}

std::string_view last_component(std::string_view path) {
  std::vector<std::string_view> parts = path_components(path);
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

bool is_shell_link_header(std::span<const unsigned char> first_bytes) {
  static constexpr unsigned char LINK_HEADER[SHELL_LINK_HEADER_CHECKED] = {
      0x4C, 0x00, 0x00, 0x00, 0x01, 0x14, 0x02, 0x00, 0x00, 0x00,
      0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  return first_bytes.size() >= SHELL_LINK_HEADER_CHECKED &&
         std::equal(std::begin(LINK_HEADER), std::end(LINK_HEADER), first_bytes.begin());
}

LegacyFolderAction legacy_folder_action(std::string_view location, std::string_view install_dir) {
  if (!is_absolute_path(location)) return LegacyFolderAction::Nothing;
  std::string_view last = last_component(location);
  bool own_folder = iequals_ascii(last, LEGACY_FOLDER_NAME);
  if (own_folder && !has_dot_component(location) && !has_dot_component(install_dir) &&
      !is_inside_any_separators(location, install_dir)) {
    return LegacyFolderAction::RemoveTree;
  }
  return LegacyFolderAction::RemoveExecutables;
}

}  // namespace vl
