#pragma once
// Plain helpers for starting programs: the command line and the folder a program lives in.
#include <string>
#include <string_view>

namespace vl {

// The program path in double quotes, a space, then the argument text as it is (an empty
// argument text leaves the trailing space).
std::string quoted_command_line(std::string_view program, std::string_view arguments);

// The folder part of a path: everything before its last backslash, keeping the backslash of a
// drive root ("C:\x.exe" -> "C:\"); empty when the path names no folder.
std::string program_folder(std::string_view path);

}  // namespace vl
