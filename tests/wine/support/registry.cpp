#include "wine/support/registry.h"

#include <random>

#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl::wine_test {

namespace {

std::string random_name() {
  std::random_device device;
  std::mt19937_64 generator((uint64_t(device()) << 32) ^ device() ^ GetTickCount64() ^
                            GetCurrentProcessId());
  char text[24];
  snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
  return text;
}

}  // namespace

ScratchKey::ScratchKey(HKEY root)
    : root_(root), path_("Software\\VeriluneTest\\" + random_name()) {}

ScratchKey::~ScratchKey() {
  // RegDeleteTreeW takes no view: delete below the parent opened in the product's view.
  size_t cut = path_.rfind('\\');
  UniqueKey parent;
  if (RegOpenKeyExW(root_, to_wide(path_.substr(0, cut)).c_str(), 0, KEY_ALL_ACCESS | PRODUCT_VIEW,
                    parent.put()) != ERROR_SUCCESS)
    return;
  std::wstring leaf = to_wide(path_.substr(cut + 1));
  RegDeleteTreeW(parent.get(), leaf.c_str());
  RegDeleteKeyExW(parent.get(), leaf.c_str(), PRODUCT_VIEW, 0);
}

bool set_reg_value(HKEY root, const std::string& key, const std::string& name, DWORD type,
                   const void* data, DWORD size) {
  UniqueKey handle;
  if (RegCreateKeyExW(root, to_wide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE | PRODUCT_VIEW,
                      nullptr, handle.put(), nullptr) != ERROR_SUCCESS)
    return false;
  return RegSetValueExW(handle.get(), to_wide(name).c_str(), 0, type,
                        static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool set_reg_string(HKEY root, const std::string& key, const std::string& name,
                    const std::string& text) {
  std::wstring wide = to_wide(text);
  return set_reg_value(root, key, name, REG_SZ, wide.c_str(),
                       static_cast<DWORD>((wide.size() + 1) * 2));
}

std::optional<RawValue> get_reg_value(HKEY root, const std::string& key, const std::string& name) {
  // RegQueryValueExW hands back the stored bytes as they are (RegGetValueW would add a NUL).
  UniqueKey handle;
  if (RegOpenKeyExW(root, to_wide(key).c_str(), 0, KEY_READ | PRODUCT_VIEW, handle.put()) != ERROR_SUCCESS)
    return std::nullopt;
  RawValue value;
  DWORD size = 0;
  std::wstring wide_name = to_wide(name);
  if (RegQueryValueExW(handle.get(), wide_name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  if (RegQueryValueExW(handle.get(), wide_name.c_str(), nullptr, &value.type, value.data.data(),
                       &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  return value;
}

}  // namespace vl::wine_test
