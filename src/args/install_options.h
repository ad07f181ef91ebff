#pragma once
// The effective choices of one run: what the wizard edits and the resume switches carry.
#include <cstdint>
#include <optional>
#include <string>

#include "product/product.h"

namespace vl {

struct WindowPos {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const WindowPos&) const = default;
};

struct InstallOptions {
  InstallScope scope = InstallScope::AllUsers;
  std::string install_dir;
  bool dir_customized = false;
  bool desktop_shortcut = true;
  bool remove_legacy = true;
  std::optional<WindowPos> window_pos;
};

}  // namespace vl
