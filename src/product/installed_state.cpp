#include "product/installed_state.h"

#include "product/version.h"

namespace vl {

InstallMode mode_for_installed_version(const std::optional<std::string>& installed_version) {
  if (!installed_version) return InstallMode::Upgrade;
  int relation = compare_versions(parse_version(OWN_VERSION), parse_version(*installed_version));
  return static_cast<InstallMode>(2 - relation);
}

PerUserRecordTrust per_user_record_trust(bool elevated, bool resumed) {
  if (resumed) return PerUserRecordTrust::None;
  return elevated ? PerUserRecordTrust::InsideProfileOnly : PerUserRecordTrust::Full;
}

}  // namespace vl
