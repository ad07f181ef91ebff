#pragma once
// Version texts as the product writes them ("2.1.0", "2.1.0-beta.1") and their order.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vl {

struct Version {
  std::vector<uint64_t> components;
  std::optional<std::string> pre_release;
};

// Reads leniently: a component that is not a number (or overflows) reads as 0, text after the
// first '-' is the pre-release part.
Version parse_version(std::string_view text);
// +1 when a is greater, 0 when equal, -1 when smaller. Missing components count as 0; a
// pre-release sorts before its release, pre-release texts compare as unsigned bytes.
int compare_versions(const Version& a, const Version& b);

}  // namespace vl
