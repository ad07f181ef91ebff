#pragma once
// The record the entry point assembles and hands, by value, to either run.
#include <cstddef>
#include <cstdint>
#include <span>

#include "args/command_line.h"
#include "product/installed_state.h"

namespace vl {

struct StartupContext {
  CommandLine command_line;
  InstallOptions options;
  InstalledState installed;
  // The embedded payload blob (header and stream), borrowed for the life of the process;
  // empty when the executable carries none. Its header is checked when an install starts.
  std::span<const uint8_t> payload_blob;
};

}  // namespace vl
