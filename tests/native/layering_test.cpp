// The modules' one direction of dependencies, read from the `#include "module/..."` lines of
// src/: a module includes only itself and the modules below it in its chain,
//   sys <- product <- args <- install <- wizard <- setup_app <- main
//   sys <- payload <- install
//   sys <- gfx <- ui <- wizard
//   install <- uninstall (the companion uninstaller, a program of its own)
// so an include upwards, or sideways between two modules no chain orders, fails here. Inside a
// module, files (a header and its sources taken as one) include each other in one direction
// too: no loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vl {
namespace {

namespace fs = std::filesystem;

// Each module and the modules it may include besides itself.
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"sys", {}},
    {"product", {"sys"}},
    {"args", {"sys", "product"}},
    {"payload", {"sys"}},
    {"install", {"sys", "product", "args", "payload"}},
    {"gfx", {"sys"}},
    {"ui", {"sys", "gfx"}},
    {"wizard", {"sys", "product", "args", "payload", "install", "gfx", "ui"}},
    {"setup_app", {"sys", "product", "args", "payload", "install", "gfx", "ui", "wizard"}},
    {"main", {"sys", "product", "args", "payload", "install", "gfx", "ui", "wizard", "setup_app"}},
    {"uninstall", {"sys", "product", "args", "payload", "install"}},
};

// The module a quoted include names ("install/x.h" -> "install"); empty for a plain file name.
std::string included_module(const std::string& line) {
  const std::string directive = "#include \"";
  const size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos || line.compare(start, directive.size(), directive) != 0) {
    return {};
  }
  const size_t name = start + directive.size();
  const size_t slash = line.find('/', name);
  const size_t quote = line.find('"', name);
  if (slash == std::string::npos || quote == std::string::npos || slash > quote) return {};
  return line.substr(name, slash - name);
}

TEST(Layering, NoModuleIncludesUpwardsOrSideways) {
  const fs::path src = fs::path(VL_SOURCE_DIR) / "src";
  ASSERT_TRUE(fs::is_directory(src)) << src;
  std::vector<std::string> violations;
  size_t includes_seen = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
    const fs::path relative = fs::relative(entry.path(), src);
    const std::string module = relative.begin()->string();
    const auto rule = kAllowed.find(module);
    if (rule == kAllowed.end()) {
      violations.push_back(relative.generic_string() + ": module \"" + module +
                           "\" has no place in the layering");
      continue;
    }
    std::ifstream file(entry.path());
    std::string line;
    while (std::getline(file, line)) {
      const std::string target = included_module(line);
      if (target.empty()) continue;
      ++includes_seen;
      if (target != module && !rule->second.contains(target)) {
        violations.push_back(relative.generic_string() + " -> " +
                             line.substr(line.find('"')));
      }
    }
  }
  std::sort(violations.begin(), violations.end());
  EXPECT_GT(includes_seen, 0u);
  std::string listing;
  for (const std::string& v : violations) listing += "\n  " + v;
  EXPECT_TRUE(violations.empty()) << "includes against the layering:" << listing;
}

// "module/name" of a source file or header: its stem, so that x.h, x.cpp and x_win.* of one
// concern count as one file ("install/registration" for registration_win.cpp too).
std::string unit_of(const std::string& path) {
  std::string unit = path.substr(0, path.rfind('.'));
  if (unit.ends_with("_win")) unit.resize(unit.size() - 4);
  return unit;
}

TEST(Layering, NoFilesOfAModuleIncludeEachOtherRoundALoop) {
  const fs::path src = fs::path(VL_SOURCE_DIR) / "src";
  std::map<std::string, std::set<std::string>> edges;  // within one module
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
    const std::string from = unit_of(fs::relative(entry.path(), src).generic_string());
    std::ifstream file(entry.path());
    std::string line;
    while (std::getline(file, line)) {
      const std::string module = included_module(line);
      if (module.empty() || module != from.substr(0, from.find('/'))) continue;
      const size_t name = line.find('"') + 1;
      const std::string to = unit_of(line.substr(name, line.find('"', name) - name));
      if (to != from) edges[from].insert(to);
    }
  }
  // Depth-first search; a unit met again while it is still open closes a loop.
  std::map<std::string, int> state;  // 1 open, 2 done
  std::vector<std::string> path;
  std::vector<std::string> loops;
  std::function<void(const std::string&)> visit = [&](const std::string& unit) {
    state[unit] = 1;
    path.push_back(unit);
    for (const std::string& next : edges[unit]) {
      if (state[next] == 1) {
        std::string loop;
        for (auto at = std::find(path.begin(), path.end(), next); at != path.end(); ++at)
          loop += *at + " -> ";
        loops.push_back(loop + next);
      } else if (state[next] == 0) {
        visit(next);
      }
    }
    path.pop_back();
    state[unit] = 2;
  };
  for (const auto& [unit, targets] : edges) {
    if (state[unit] == 0) visit(unit);
  }
  std::string listing;
  for (const std::string& loop : loops) listing += "\n  " + loop;
  EXPECT_GT(edges.size(), 0u);
  EXPECT_TRUE(loops.empty()) << "files that include each other:" << listing;
}

}  // namespace
}  // namespace vl
