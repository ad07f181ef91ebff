#include "wizard/strings.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "sys/text.h"

namespace vl {

std::string_view welcome_title(InstallMode mode) {
  switch (mode) {
    case InstallMode::FreshInstall: return TEXT_TITLE_FRESH;
    case InstallMode::Upgrade: return TEXT_TITLE_UPGRADE;
    case InstallMode::Reinstall: return TEXT_TITLE_REINSTALL;
    case InstallMode::Downgrade: return TEXT_TITLE_DOWNGRADE;
  }
  return TEXT_TITLE_FRESH;
}

std::string_view welcome_button(InstallMode mode) {
  switch (mode) {
    case InstallMode::Upgrade: return TEXT_UPDATE;
    case InstallMode::Reinstall: return TEXT_REINSTALL;
    case InstallMode::FreshInstall:
    case InstallMode::Downgrade: return TEXT_INSTALL;
  }
  return TEXT_INSTALL;
}

std::string version_sentence(InstallMode mode, const std::optional<std::string>& installed) {
  switch (mode) {
    case InstallMode::Reinstall: return format_text(TEXT_REINSTALL_SENTENCE, {OWN_VERSION});
    case InstallMode::Upgrade:
      if (installed) return format_text(TEXT_UPGRADE_SENTENCE, {*installed, OWN_VERSION});
      break;
    case InstallMode::Downgrade:
      if (installed) return format_text(TEXT_DOWNGRADE_SENTENCE, {*installed, OWN_VERSION});
      break;
    case InstallMode::FreshInstall: break;
  }
  return std::string(TEXT_PRODUCT_DESCRIPTION);
}

std::string_view scope_word(InstallScope scope) {
  return scope == InstallScope::AllUsers ? TEXT_SCOPE_ALL_USERS : TEXT_SCOPE_CURRENT_USER;
}

std::string location_caption(InstallScope scope) {
  return format_text(TEXT_LOCATION_CAPTION, {scope_word(scope)});
}

std::string legacy_remove_label(const std::optional<std::string>& legacy_version) {
  if (legacy_version) return format_text(TEXT_LEGACY_REMOVE_VERSION, {*legacy_version});
  return std::string(TEXT_LEGACY_REMOVE);
}

std::string_view progress_title(InstallMode mode) {
  return mode == InstallMode::FreshInstall ? TEXT_PROGRESS_FRESH : TEXT_PROGRESS_UPDATE;
}

std::string_view done_title(InstallMode mode) {
  return mode == InstallMode::FreshInstall ? TEXT_DONE_FRESH : TEXT_DONE_UPDATE;
}

std::string done_paragraph() {
  return format_text(TEXT_DONE_PARAGRAPH, {PRODUCT_NAME, OWN_VERSION});
}

std::string version_pill() { return format_text(TEXT_VERSION_PILL, {OWN_VERSION}); }

std::string percentage_text(float fraction) {
  // std::round rounds half away from zero; the conversion saturates instead of overflowing.
  const double n = std::round(static_cast<double>(fraction) * 100.0);
  int64_t value = 0;
  if (std::isnan(n)) {
    value = 0;
  } else if (n >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    value = std::numeric_limits<int32_t>::max();
  } else if (n <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    value = std::numeric_limits<int32_t>::min();
  } else {
    value = static_cast<int64_t>(n);
  }
  return format_text(TEXT_PERCENT, {std::to_string(value)});
}

}  // namespace vl
