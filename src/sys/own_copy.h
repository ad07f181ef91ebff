#pragma once
// The command that removes a program's copy, its folder and all, once the copy has ended (see
// own_copy_win.h).
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// The command line (after "cmd.exe") that starts `program` with `arguments`, waits for it to
// end and then removes `folder` with everything in it, trying again for up to about 10 s while
// the ended program's file is still held (ping.exe from `system`, the system folder, is the
// pause). Absent when a text holds a character the command
// processor would read as its own (% ^ ! anywhere, a double quote in `program` or `folder`,
// unbalanced quotes, or & | < > ( ) outside quotes in `arguments`).
std::optional<std::string> copy_and_sweep_command(std::string_view program,
                                                  std::string_view arguments,
                                                  std::string_view folder, std::string_view system);

}  // namespace vl
