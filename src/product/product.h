#pragma once
// The product's own facts, each written here once: its names, its registry keys, the
// predecessor client's names, the shell identity of its links and the installer's version.
#include <string_view>

#include "product/resource_names.h"
#include "product/version_numbers.h"

namespace vl {

// Who the installation is for. Each scope has its own registry hive and default folder.
enum class InstallScope { AllUsers, CurrentUser };

// The installer's own version, as the build sets it.
inline constexpr std::string_view OWN_VERSION = VL_VERSION_TEXT;

inline constexpr std::string_view PRODUCT_NAME = VL_PRODUCT_NAME;
inline constexpr std::string_view PUBLISHER = VL_PUBLISHER;
// The application's executable; an earlier installation may have named its own otherwise.
inline constexpr std::string_view APPLICATION_FILE_NAME = "verilune.exe";
inline constexpr std::string_view UNINSTALLER_FILE_NAME = "uninstall.exe";
inline constexpr std::string_view SHORTCUT_FILE_NAME = "Verilune.lnk";
inline constexpr std::string_view APP_USER_MODEL_ID = "mn.osmira.key";

// Keys below the scope's hive: the product key (its default value is the install directory)
// and the product's Uninstall entry, a subkey of the Uninstall root.
inline constexpr std::string_view PRODUCT_KEY = "Software\\osmira\\Verilune";
inline constexpr std::string_view UNINSTALL_ROOT = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr std::string_view UNINSTALL_KEY =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Verilune";

// The predecessor client: its Uninstall entry's display name (also its folder's name) and
// its two executables and start-up link.
inline constexpr std::string_view LEGACY_DISPLAY_NAME = "VeriluneClient";
inline constexpr std::string_view LEGACY_FOLDER_NAME = LEGACY_DISPLAY_NAME;
inline constexpr std::string_view LEGACY_CLIENT_EXE = "Osmira.Security.KeyClient.exe";
inline constexpr std::string_view LEGACY_STARTER_EXE = "Osmira.Security.KeyStarter.exe";
inline constexpr std::string_view LEGACY_STARTUP_LINK = "Osmira.Security.KeyStarter.lnk";

}  // namespace vl
