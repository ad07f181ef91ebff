#include "install/path_compare.h"

#include <vector>

#include "sys/text.h"

namespace vl {

namespace {

std::string_view without_trailing_backslashes(std::string_view path) {
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return path;
}

std::vector<std::string> components(std::string_view path) {
  std::vector<std::string> out;
  std::string lower = lower_full(without_trailing_backslashes(path));
  size_t start = 0;
  while (start <= lower.size()) {
    size_t end = lower.find('\\', start);
    if (end == std::string::npos) end = lower.size();
    out.push_back(lower.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

}  // namespace

bool same_path(std::string_view a, std::string_view b) {
  return lower_full(without_trailing_backslashes(a)) == lower_full(without_trailing_backslashes(b));
}

bool same_name(std::string_view a, std::string_view b) { return iequals_ascii(a, b); }

std::string parent_folder(std::string_view path) {
  size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) return {};
  std::string_view parent = path.substr(0, slash);
  // "D:" alone means the drive's current folder; the root keeps its backslash.
  if (parent.size() == 2 && parent[1] == ':') return std::string(path.substr(0, slash + 1));
  return std::string(parent);
}

std::string_view file_name_of(std::string_view path) {
  size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool is_inside(std::string_view dir, std::string_view path) {
  std::vector<std::string> d = components(dir);
  std::vector<std::string> p = components(path);
  if (d.size() > p.size()) return false;
  for (size_t i = 0; i < d.size(); ++i) {
    if (d[i] != p[i]) return false;
  }
  return true;
}

}  // namespace vl
