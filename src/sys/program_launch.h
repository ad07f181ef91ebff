#pragma once
// The command line a program is started with.
#include <string>
#include <string_view>

namespace vl {

// The program path in double quotes, a space, then the argument text as it is (an empty
// argument text leaves the trailing space).
std::string quoted_command_line(std::string_view program, std::string_view arguments);

}  // namespace vl
