#pragma once
// The installer's command line: user switches for unattended use and the internal resume
// switches through which an unelevated copy hands its choices to its elevated relaunch.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "args/install_options.h"
#include "product/product.h"

namespace vl {

struct CommandLine {
  std::optional<std::string> dir_choice;  // /D=, --VL-DIR=, _?=; trimmed (possibly empty)
  std::string app_arguments;              // /ARGS
  std::string passthrough;                // user tokens to forward (quoted where they hold
                                          // whitespace), then "/ARGS …"
  std::optional<WindowPos> window_pos;    // --VL-POS=
  bool silent = false;                    // /S
  bool passive = false;                   // /P
  bool run_after = false;                 // /R
  bool update = false;                    // /UPDATE
  bool no_shortcut = false;               // /NS
  bool resume = false;                    // --VL-RESUME
  bool from_temp = false;                 // --VL-FROM-TEMP
  bool uninstaller_dir_flag = false;      // _?=
  std::optional<InstallScope> scope_choice;
  std::optional<bool> desktop_choice;
  std::optional<bool> legacy_choice;
  // /LOG=, --VL-LOG= (which wins in a resumed run); unset for an empty value. An installer's
  // resumed copy opens no path at all (see log_relay).
  std::optional<std::string> log_path;
  // --VL-LOG-RELAY=: the number of the log relay that the parent of a resumed copy keeps (its
  // process id), to which the copy hands its log lines instead of opening the named file with
  // its rights. Unset when absent or not a decimal number.
  std::optional<uint32_t> log_relay;
};

// Parses the whole command line (program name first), as GetCommandLineW gives it.
// UTF-16 that is not valid makes the whole line count as empty.
CommandLine parse_command_line(std::u16string_view command_line);

// What the elevated copy needs to continue with the same choices.
struct ResumeState {
  InstallScope scope = InstallScope::AllUsers;
  std::string install_dir;
  bool desktop_shortcut = true;
  bool remove_legacy = true;
  std::string passthrough;
  std::optional<uint32_t> log_relay;  // the parent's relay for the copy's log lines
};

// The resume switches, then the passthrough. The log relay travels as --vl-log-relay=; the
// forwarded /LOG= token, which the copy ignores, stays in the passthrough.
std::string build_resume_arguments(const ResumeState& state, std::optional<WindowPos> position);

// Wraps text in double quotes when it holds any Unicode whitespace.
std::string quote_if_needed(std::string_view text);

}  // namespace vl
