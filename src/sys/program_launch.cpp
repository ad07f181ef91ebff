#include "sys/program_launch.h"

namespace vl {

std::string quoted_command_line(std::string_view program, std::string_view arguments) {
  std::string line;
  line.reserve(program.size() + arguments.size() + 3);
  line += '"';
  line += program;
  line += "\" ";
  line += arguments;
  return line;
}


}  // namespace vl
