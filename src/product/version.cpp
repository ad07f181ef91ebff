#include "product/version.h"

#include <algorithm>

#include "sys/text.h"

namespace vl {
namespace {

uint64_t parse_component(std::string_view piece) {
  piece = trim_unicode(piece);
  if (!piece.empty() && piece.front() == '+') piece.remove_prefix(1);
  if (piece.empty()) return 0;
  uint64_t value = 0;
  for (char c : piece) {
    if (c < '0' || c > '9') return 0;
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return 0;  // overflow counts as 0
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

Version parse_version(std::string_view text) {
  Version version;
  std::string_view core = text;
  if (size_t dash = text.find('-'); dash != std::string_view::npos) {
    core = text.substr(0, dash);
    version.pre_release = std::string(text.substr(dash + 1));
  }
  size_t pos = 0;
  for (;;) {
    size_t dot = core.find('.', pos);
    version.components.push_back(parse_component(core.substr(pos, dot == std::string_view::npos ? dot : dot - pos)));
    if (dot == std::string_view::npos) break;
    pos = dot + 1;
  }
  return version;
}

int compare_versions(const Version& a, const Version& b) {
  size_t count = std::max(a.components.size(), b.components.size());
  for (size_t i = 0; i < count; ++i) {
    uint64_t left = i < a.components.size() ? a.components[i] : 0;
    uint64_t right = i < b.components.size() ? b.components[i] : 0;
    if (left != right) return left > right ? 1 : -1;
  }
  if (a.pre_release && b.pre_release) {
    int order = a.pre_release->compare(*b.pre_release);
    return order == 0 ? 0 : (order > 0 ? 1 : -1);
  }
  if (a.pre_release) return -1;
  if (b.pre_release) return 1;
  return 0;
}

}  // namespace vl
