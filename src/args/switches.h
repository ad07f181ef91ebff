#pragma once
// Every switch of the installer's and the uninstaller's command lines, written once: the parser
// matches these (ASCII case-insensitively, except `_?=`), and the builders of a resumed copy's
// command line write them. The resume switches are written in lower case.
#include <string_view>

namespace vl::switches {

// ---- user switches (acted on and forwarded to a resumed copy) ------------------------------
inline constexpr std::string_view SILENT = "/S";
inline constexpr std::string_view PASSIVE = "/P";
inline constexpr std::string_view RUN_AFTER = "/R";
inline constexpr std::string_view NO_SHORTCUT = "/NS";
inline constexpr std::string_view UPDATE = "/UPDATE";
inline constexpr std::string_view ALL_USERS = "/ALLUSERS";
inline constexpr std::string_view CURRENT_USER = "/CURRENTUSER";
// The folder: takes the rest of the line, spaces included, so it must come last.
inline constexpr std::string_view DIR = "/D=";
// The application's arguments: up to the next " /".
inline constexpr std::string_view APP_ARGUMENTS = "/ARGS";
inline constexpr std::string_view LOG = "/LOG=";
// The folder as an NSIS-style uninstaller is handed it (matched case-sensitively).
inline constexpr std::string_view UNINSTALLER_DIR = "_?=";

// ---- resume switches (never forwarded) -----------------------------------------------------
// Every resume switch begins with this.
inline constexpr std::string_view RESUME_FAMILY = "--vl-";
inline constexpr std::string_view RESUME = "--vl-resume";
inline constexpr std::string_view FROM_TEMP = "--vl-from-temp";
inline constexpr std::string_view RESUME_SCOPE = "--vl-scope=";
inline constexpr std::string_view SCOPE_MACHINE = "machine";  // any other value: the user
inline constexpr std::string_view SCOPE_USER = "user";
inline constexpr std::string_view RESUME_DIR = "--vl-dir=";
inline constexpr std::string_view RESUME_DESKTOP = "--vl-desktop=";  // 1 or 0
inline constexpr std::string_view RESUME_LEGACY = "--vl-legacy=";    // 1 or 0
inline constexpr std::string_view RESUME_POS = "--vl-pos=";          // x,y
inline constexpr std::string_view RESUME_LOG = "--vl-log=";
inline constexpr std::string_view RESUME_LOG_RELAY = "--vl-log-relay=";

}  // namespace vl::switches
