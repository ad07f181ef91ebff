#pragma once
// Removal of the predecessor client VeriluneClient and of an earlier MSI installation of the
// product: the plain decisions (msiexec's path and arguments, what happens to the client's
// folder). The actions are in legacy_removal_win.cpp.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "product/product.h"

namespace vl {

inline constexpr std::string_view MSIEXEC_NAME = "msiexec.exe";

// "/x {code} /qn /norestart" for a silent run, "/x {code} /qb-! /norestart" otherwise.
std::string legacy_uninstall_arguments(std::string_view product_code, bool quiet);
// An earlier MSI installation of the product is always removed with the basic interface.
std::string previous_msi_uninstall_arguments(std::string_view product_code);

// msiexec.exe in the System folder; when the known folder cannot be obtained, in the directory
// GetSystemDirectoryW reports. Never a bare name: the executable search would look in the
// installer's own folder first. Absent (no call) when neither is known.
std::optional<std::string> msiexec_path(const std::optional<std::string>& system_known_folder,
                                        const std::optional<std::string>& system_directory);

enum class LegacyFolderAction {
  Nothing,            // a relative location: nothing to act on safely
  RemoveTree,         // the client's own folder: delete it whole
  RemoveExecutables,  // a shared folder: delete the two executables, then the folder if empty
};

// What to do with the client's location. The whole tree goes only when the last component is
// LEGACY_FOLDER_NAME (ASCII case-insensitive), the location is absolute without "." or ".."
// components, and it does not contain the install directory.
LegacyFolderAction legacy_folder_action(std::string_view location, std::string_view install_dir);

// How many of a file's first bytes is_shell_link_header reads.
inline constexpr size_t SHELL_LINK_HEADER_CHECKED = 20;

// Whether a file's first bytes open a shell link: header size 0x4C and the link class
// {00021401-0000-0000-C000-000000000046}. Only such a file is taken from a Startup folder.
bool is_shell_link_header(std::span<const unsigned char> first_bytes);

}  // namespace vl
