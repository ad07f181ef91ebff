#include "install/registration.h"

#include "sys/paths.h"
#include "sys/text.h"

namespace vl {

namespace {

void append_utf16le(std::vector<uint8_t>& out, std::string_view text) {
  for (char16_t unit : utf8_to_utf16(text)) {
    out.push_back(static_cast<uint8_t>(unit & 0xFF));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  }
}

void append_nul(std::vector<uint8_t>& out) {
  out.push_back(0);
  out.push_back(0);
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

RegistryValue string_value(std::string_view name, std::string_view text) {
  return {std::string(name), RegistryType::String, encode_reg_string(text)};
}

RegistryValue dword_value(std::string_view name, uint32_t value) {
  return {std::string(name), RegistryType::Dword, encode_reg_dword(value)};
}

}  // namespace

std::vector<uint8_t> encode_reg_string(std::string_view text) {
  std::vector<uint8_t> out;
  append_utf16le(out, text);
  append_nul(out);
  return out;
}

std::vector<uint8_t> encode_reg_dword(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 24)};
}

std::vector<uint8_t> encode_reg_multi_string(std::span<const std::string> texts) {
  std::vector<uint8_t> out;
  for (const std::string& text : texts) {
    append_utf16le(out, text);
    append_nul(out);
  }
  append_nul(out);  // the closing NUL; alone when there are no texts
  return out;
}

std::vector<RegistryKeyValues> plan_registration(std::string_view install_dir, InstallScope scope,
                                                 uint64_t total_size,
                                                 std::span<const std::string> installed_files) {
  const std::string main_binary = join_path(install_dir, APPLICATION_FILE_NAME);
  const std::string uninstaller = join_path(install_dir, UNINSTALLER_FILE_NAME);

  RegistryKeyValues product{std::string(PRODUCT_KEY), {string_value("", install_dir)}};

  RegistryKeyValues uninstall{std::string(UNINSTALL_KEY), {}};
  auto& v = uninstall.values;
  v.push_back(string_value(scope == InstallScope::AllUsers ? VALUE_ALL_USERS : VALUE_CURRENT_USER, "1"));
  v.push_back(string_value(VALUE_MAIN_BINARY, APPLICATION_FILE_NAME));
  v.push_back(string_value(VALUE_DISPLAY_NAME, PRODUCT_NAME));
  v.push_back(string_value(VALUE_DISPLAY_ICON, quoted(main_binary)));
  v.push_back(string_value(VALUE_DISPLAY_VERSION, OWN_VERSION));
  v.push_back(string_value(VALUE_PUBLISHER, PUBLISHER));
  v.push_back(string_value(VALUE_INSTALL_LOCATION, quoted(install_dir)));
  v.push_back(string_value(VALUE_UNINSTALL_STRING, quoted(uninstaller)));
  v.push_back(string_value(VALUE_QUIET_UNINSTALL_STRING, quoted(uninstaller) + " /S"));
  v.push_back(dword_value(VALUE_NO_MODIFY, 1));
  v.push_back(dword_value(VALUE_NO_REPAIR, 1));
  v.push_back(dword_value(VALUE_ESTIMATED_SIZE, static_cast<uint32_t>(total_size / 1024)));
  v.push_back({std::string(VALUE_INSTALLED_FILES), RegistryType::MultiString,
               encode_reg_multi_string(installed_files)});
  return {std::move(product), std::move(uninstall)};
}

std::string registry_key_failure_text(std::string_view key, std::string_view message) {
  return format_text("registry {}: {}", {key, message});
}

std::string registry_value_failure_text(std::string_view key, std::string_view value, std::string_view message) {
  return format_text("registry {}\\{}: {}", {key, value, message});
}

}  // namespace vl
