#pragma once
// Versions beside the installer's own, derived from it, so that a version bump alone breaks no
// test: one the installer counts as older (it upgrades) and one as newer (it downgrades).
#include <string>

#include "product/version_numbers.h"

namespace vl::test_versions {

inline std::string own() { return VL_VERSION_TEXT; }

inline std::string dotted(int major, int minor, int patch) {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

inline std::string older() {
  if (VL_VERSION_PATCH > 0) return dotted(VL_VERSION_MAJOR, VL_VERSION_MINOR, VL_VERSION_PATCH - 1);
  if (VL_VERSION_MINOR > 0) return dotted(VL_VERSION_MAJOR, VL_VERSION_MINOR - 1, 9);
  return dotted(VL_VERSION_MAJOR - 1, 9, 9);
}

inline std::string newer() { return dotted(VL_VERSION_MAJOR, VL_VERSION_MINOR + 1, 0); }

}  // namespace vl::test_versions
