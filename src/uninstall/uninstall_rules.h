#pragma once
// The uninstaller's decisions as plain data: which registered installation is the one it runs
// from, which files it removes, and its texts.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "args/command_line.h"
#include "product/exit_codes.h"
#include "product/product.h"

namespace vl {

// The program's name in its log and its fatal line.
inline constexpr std::string_view UNINSTALLER_NAME = VL_PRODUCT_NAME " Uninstaller";

inline constexpr std::string_view TEXT_CONFIRM_UNINSTALL =
    "Verilune програмыг энэ компьютерээс устгах уу?";
inline constexpr std::string_view TEXT_NOT_INSTALLED_HERE =
    "«{}» хавтаст суулгасан Verilune бүртгэлд олдсонгүй. Юу ч устгасангүй.";
inline constexpr std::string_view TEXT_UNINSTALL_ELEVATION_DECLINED =
    "Админ эрх олгогдоогүй тул бүх хэрэглэгчид суулгасан Verilune-г устгах боломжгүй.";

// What an Uninstall entry of one scope says, as read: its InstallLocation text, if any.
struct UninstallEntry {
  InstallScope scope = InstallScope::CurrentUser;
  std::optional<std::string> install_location;
};

// The scope of the first entry, in the given order, whose InstallLocation read back as a
// location is `own_folder` (paths compared as the engine compares them).
std::optional<InstallScope> installation_in(std::string_view own_folder,
                                            std::span<const UninstallEntry> entries);

struct RemovalPlan {
  // Full paths below the install directory: each installed file, then the side files placing
  // it may have left. The uninstaller's own file is not among them.
  std::vector<std::string> files;
  // Names the installed-files list holds that are not safe relative names; nothing is removed
  // for them.
  std::vector<std::string> refused;
};

// The removal for the installed-files list of the installation in `install_dir`.
RemovalPlan plan_removal(std::string_view install_dir, std::span<const std::string> installed_files,
                         std::string_view own_file);

// The elevated copy's arguments: silent (the user already confirmed), marked as the relaunch
// so that it never relaunches again, and handing its log lines to this process's relay (it
// opens no path the user named).
std::string relaunch_arguments(std::optional<uint32_t> log_relay);

// The last step of an uninstall runs in a copy of the uninstaller in a private folder: it
// waits for the uninstaller in `install_dir` to end, then removes that file and the folder
// when nothing else is left in it. Its arguments, and whether a command line is that run's
// (its folder from `_?=`, which is not the folder the copy runs from).
std::string removal_copy_arguments(std::string_view install_dir);
std::optional<std::string> removal_copy_folder(const CommandLine& cmd, std::string_view own_folder);

// Whether a link's target lies in the install directory, so that the link is the product's.
bool link_points_into(std::string_view install_dir, std::string_view link_target);

}  // namespace vl
