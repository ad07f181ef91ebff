#include "sys/own_copy.h"

namespace vl {
namespace {

constexpr int SWEEP_RETRIES =
    5;  // each waits about 2 s: the line stays well within cmd.exe's 8191 characters

// Whether cmd.exe reads `text` as plain words: no variable or escape character anywhere (they
// act even inside quotes), balanced quotes, and no operator or block character outside them.
// `quoted`: the text goes on the line in quotes of its own, so it may hold no quote itself.
bool plain_for_command_processor(std::string_view text, bool quoted) {
  bool in_quotes = quoted;
  for (char c : text) {
    if (c == '%' || c == '^' || c == '!' || c == '\r' || c == '\n') return false;
    if (c == '"') {
      if (quoted) return false;
      in_quotes = !in_quotes;
    } else if (!in_quotes && std::string_view("&|<>()").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return in_quotes == quoted;
}

}  // namespace

std::optional<std::string> copy_and_sweep_command(std::string_view program,
                                                  std::string_view arguments,
                                                  std::string_view folder,
                                                  std::string_view system) {
  if (program.empty() || folder.empty() || system.empty() ||
      !plain_for_command_processor(system, true) || !plain_for_command_processor(program, true) ||
      !plain_for_command_processor(folder, true) ||
      !plain_for_command_processor(arguments, false)) {
    return std::nullopt;
  }
  const std::string quoted_folder = "\"" + std::string(folder) + "\"";
  const std::string remove = " & rd /s /q " + quoted_folder + " 2>nul";
  // Programs by their full path: an elevated command processor must not search the PATH.
  // /d: no AutoRun commands from the registry; start /wait: the copy is a window program,
  // which cmd would not wait for otherwise. While the ended copy's file is still held the
  // removal is tried again, two seconds apart (each "if" takes the rest of its group); no "for"
  // loop, which Wine's command processor does not run here.
  std::string command = "/d /q /c start \"\" /wait \"" + std::string(program) + "\" " +
                        std::string(arguments) + remove;
  for (int attempt = 0; attempt < SWEEP_RETRIES; ++attempt) {
    command += " & (if exist " + quoted_folder + " \"" + std::string(system) +
               "\\ping.exe\" -n 3 127.0.0.1 >nul" + remove + ")";
  }
  return command;
}

}  // namespace vl
