// Any DisplayVersion text parses without crashing, and the comparison is a consistent order.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "product/installed_state.h"
#include "product/version.h"
#include "product/version_numbers.h"
#include "sys/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  size_t split = text.find('|');
  std::string_view left = text.substr(0, split);
  std::string_view right = split == std::string_view::npos ? std::string_view(VL_VERSION_TEXT) : text.substr(split + 1);
  vl::Version a = vl::parse_version(left);
  vl::Version b = vl::parse_version(right);
  int ab = vl::compare_versions(a, b);
  int ba = vl::compare_versions(b, a);
  if (ab != -ba || vl::compare_versions(a, a) != 0) abort();
  (void)vl::mode_for_installed_version(std::string(left));
  (void)vl::normalize_location(left);
  return 0;
}
