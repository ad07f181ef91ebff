#pragma once
// The process exit codes of the installer and of the uninstaller: deployment tools read them,
// so each meaning keeps its number. An elevated copy's own code is passed on unchanged.
namespace vl {

inline constexpr int EXIT_SUCCESS_CODE = 0;    // installed, finished, or handed to the uninstaller
inline constexpr int EXIT_REFUSED = 1;         // refused, cancelled, closed early, elevation declined
inline constexpr int EXIT_INSTALL_FAILED = 2;  // the installation (or the removal) failed

}  // namespace vl
