#pragma once
// The product's own facts, each written here once and used from here: its names, the
// installer's name and window identity, its registry keys and value names, the predecessor
// client's names, the shell identity of its links and the installer's version.
#include <string_view>

#include "product/product_names.h"
#include "product/version_numbers.h"

namespace vl {

// Who the installation is for. Each scope has its own registry hive and default folder.
enum class InstallScope { AllUsers, CurrentUser };

// The installer's own version, as the build sets it.
inline constexpr std::string_view OWN_VERSION = VL_VERSION_TEXT;

inline constexpr std::string_view PRODUCT_NAME = VL_PRODUCT_NAME;
inline constexpr std::string_view PUBLISHER = VL_PUBLISHER;
// The installer's own name: its window's title and the first words of its fatal-stop line.
inline constexpr std::string_view INSTALLER_NAME = VL_INSTALLER_NAME;
// Held by a running installer, so that a second one started in the same session only says so.
inline constexpr std::string_view SINGLE_INSTANCE_MUTEX_NAME = "Local\\" VL_INSTALLER_STEM;
// The caption of the installer's and the uninstaller's message boxes.
inline constexpr std::string_view MESSAGE_BOX_CAPTION = PRODUCT_NAME;
// The installer window's class; outside tools find the window by it.
inline constexpr std::string_view WINDOW_CLASS_NAME = VL_INSTALLER_STEM "Window";
// The named pipe through which a resumed copy's log lines reach its parent: this, then the
// relay's number.
inline constexpr std::string_view LOG_RELAY_PIPE_PREFIX = "\\\\.\\pipe\\" VL_INSTALLER_STEM "-log-";
// The application's executable; an earlier installation may have named its own otherwise.
inline constexpr std::string_view APPLICATION_FILE_NAME = "verilune.exe";
inline constexpr std::string_view UNINSTALLER_FILE_NAME = "uninstall.exe";
inline constexpr std::string_view SHORTCUT_FILE_NAME = "Verilune.lnk";
inline constexpr std::string_view APP_USER_MODEL_ID = "mn.osmira.key";

// Keys below the scope's hive: the product key (its default value is the install directory)
// and the product's Uninstall entry, a subkey of the Uninstall root.
#define VL_UNINSTALL_ROOT "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
inline constexpr std::string_view PRODUCT_KEY = "Software\\" VL_PUBLISHER "\\" VL_PRODUCT_NAME;
inline constexpr std::string_view UNINSTALL_ROOT = VL_UNINSTALL_ROOT;
inline constexpr std::string_view UNINSTALL_KEY = VL_UNINSTALL_ROOT "\\" VL_PRODUCT_NAME;
#undef VL_UNINSTALL_ROOT

// The value names of an Uninstall entry, the product's own (written by the installer, read by
// detection and the uninstaller) and those read from the predecessor's and the MSI's entries.
inline constexpr std::string_view VALUE_ALL_USERS = "AllUsers";
inline constexpr std::string_view VALUE_CURRENT_USER = "CurrentUser";
inline constexpr std::string_view VALUE_MAIN_BINARY = "MainBinaryName";
inline constexpr std::string_view VALUE_DISPLAY_NAME = "DisplayName";
inline constexpr std::string_view VALUE_DISPLAY_ICON = "DisplayIcon";
inline constexpr std::string_view VALUE_DISPLAY_VERSION = "DisplayVersion";
inline constexpr std::string_view VALUE_PUBLISHER = "Publisher";
inline constexpr std::string_view VALUE_INSTALL_LOCATION = "InstallLocation";
inline constexpr std::string_view VALUE_UNINSTALL_STRING = "UninstallString";
inline constexpr std::string_view VALUE_QUIET_UNINSTALL_STRING = "QuietUninstallString";
inline constexpr std::string_view VALUE_NO_MODIFY = "NoModify";
inline constexpr std::string_view VALUE_NO_REPAIR = "NoRepair";
inline constexpr std::string_view VALUE_ESTIMATED_SIZE = "EstimatedSize";
inline constexpr std::string_view VALUE_INSTALLED_FILES = "VlFiles";

// The predecessor client: its Uninstall entry's display name (also its folder's name) and
// its two executables and start-up link.
inline constexpr std::string_view LEGACY_DISPLAY_NAME = "VeriluneClient";
inline constexpr std::string_view LEGACY_FOLDER_NAME = LEGACY_DISPLAY_NAME;
inline constexpr std::string_view LEGACY_CLIENT_EXE = "Osmira.Security.KeyClient.exe";
inline constexpr std::string_view LEGACY_STARTER_EXE = "Osmira.Security.KeyStarter.exe";
inline constexpr std::string_view LEGACY_STARTUP_LINK = "Osmira.Security.KeyStarter.lnk";

}  // namespace vl
