#pragma once
// The uninstaller's decisions as plain data: which registered installation is the one it runs
// from, which files it removes, and its texts.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "product/exit_codes.h"
#include "product/product.h"

namespace vl {

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
// so that it never relaunches again, and appending to the same log file.
std::string relaunch_arguments(const std::optional<std::string>& absolute_log_path);

// Whether a link's target lies in the install directory, so that the link is the product's.
bool link_points_into(std::string_view install_dir, std::string_view link_target);

}  // namespace vl
