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

std::string program_folder(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string_view::npos) return {};
  std::string_view folder = path.substr(0, slash);
  if (folder.empty()) return std::string(path.substr(0, 1));  // "\x.exe": the root itself
  if (folder.back() == ':') return std::string(path.substr(0, slash + 1));
  return std::string(folder);
}

}  // namespace vl
