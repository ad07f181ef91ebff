#include "sys/registry_win.h"

#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

REGSAM reg_view_flag(RegView view) {
  switch (view) {
    case RegView::Default:
    case RegView::Bits32: return KEY_WOW64_32KEY;
    case RegView::Bits64: return KEY_WOW64_64KEY;
  }
  return KEY_WOW64_32KEY;
}

namespace {

UniqueKey open_for_read(HKEY root, std::string_view subkey, RegView view) {
  UniqueKey key;
  if (RegOpenKeyExW(root, to_wide(subkey).c_str(), 0, KEY_READ | reg_view_flag(view), key.put()) !=
      ERROR_SUCCESS) {
    return UniqueKey();
  }
  return key;
}

std::optional<std::vector<BYTE>> query_value(HKEY key, std::string_view value_name, DWORD* type) {
  std::wstring name = to_wide(value_name);
  DWORD size = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<BYTE> data(size);
  // The value may grow between the two calls; retry with the size the second call reports.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD got = static_cast<DWORD>(data.size());
    LONG status = RegQueryValueExW(key, name.c_str(), nullptr, type, data.data(), &got);
    if (status == ERROR_SUCCESS) {
      data.resize(got);
      return data;
    }
    if (status != ERROR_MORE_DATA) return std::nullopt;
    data.resize(got);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<BYTE>> read_reg_raw(HKEY root, std::string_view subkey,
                                              std::string_view value_name, RegView view) {
  UniqueKey key = open_for_read(root, subkey, view);
  if (!key) return std::nullopt;
  DWORD type = 0;
  return query_value(key.get(), value_name, &type);
}

std::optional<std::string> read_reg_string(HKEY root, std::string_view subkey,
                                           std::string_view value_name, RegView view) {
  UniqueKey key = open_for_read(root, subkey, view);
  if (!key) return std::nullopt;
  DWORD type = 0;
  auto data = query_value(key.get(), value_name, &type);
  if (!data || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  std::wstring_view text(reinterpret_cast<const wchar_t*>(data->data()), data->size() / sizeof(wchar_t));
  if (size_t nul = text.find(L'\0'); nul != std::wstring_view::npos) text = text.substr(0, nul);
  return from_wide(text);
}

bool reg_key_exists(HKEY root, std::string_view subkey, RegView view) {
  return open_for_read(root, subkey, view).valid();
}

std::vector<std::string> enum_reg_subkeys(HKEY root, std::string_view subkey, RegView view) {
  std::vector<std::string> names;
  UniqueKey key = open_for_read(root, subkey, view);
  if (!key) return names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    auto text = from_wide(std::wstring_view(name, length));
    if (!text) break;
    names.push_back(std::move(*text));
  }
  return names;
}

std::vector<std::string> read_reg_multi_string(HKEY root, std::string_view subkey,
                                               std::string_view value_name, RegView view) {
  std::vector<std::string> names;
  auto data = read_reg_raw(root, subkey, value_name, view);
  if (!data) return names;
  std::wstring_view all(reinterpret_cast<const wchar_t*>(data->data()), data->size() / sizeof(wchar_t));
  size_t pos = 0;
  while (pos < all.size()) {
    size_t nul = all.find(L'\0', pos);
    std::wstring_view piece = all.substr(pos, nul == std::wstring_view::npos ? nul : nul - pos);
    if (!piece.empty()) {
      auto name = from_wide(piece);
      if (!name) break;
      names.push_back(std::move(*name));
    }
    if (nul == std::wstring_view::npos) break;
    pos = nul + 1;
  }
  return names;
}

bool reg_key_is_empty(HKEY root, std::string_view subkey, RegView view) {
  UniqueKey key = open_for_read(root, subkey, view);
  if (!key) return false;
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subkeys == 0 && values == 0;
}

DWORD delete_reg_key(HKEY root, std::string_view subkey, RegView view) {
  // RegDeleteKeyExW is the call that takes a view; Windows 7 has it.
  LONG status = RegDeleteKeyExW(root, to_wide(subkey).c_str(), reg_view_flag(view), 0);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  return static_cast<DWORD>(status);
}

}  // namespace vl
