#pragma once
// One process of a snapshot as plain data, so that decisions over a snapshot are portable.
#include <cstdint>
#include <optional>
#include <string>

namespace vl {

struct ProcessRecord {
  uint32_t pid = 0;
  // The executable file name as the snapshot gives it.
  std::string exe_name;
  // The full image path; absent when the process could not be opened or its path not read.
  std::optional<std::string> image_path;
};

}  // namespace vl
