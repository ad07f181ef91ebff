#pragma once
// Registry access: every key is opened, used and closed at once.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/result.h"

namespace vl {

// Default is the view a 32-bit program reaches on 64-bit Windows, the 32-bit one, asked for
// explicitly: a 64-bit build of the same sources (the tests' twin) then reads and writes exactly
// what the shipped program does. Bits64 is for what a 64-bit peer wrote.
enum class RegView { Default, Bits32, Bits64 };

REGSAM reg_view_flag(RegView view);

// A REG_SZ or REG_EXPAND_SZ value (not expanded), cut at the first NUL. Anything else —
// a missing key or value, another type, invalid UTF-16 — is nullopt. An empty value name
// reads the key's default value.
std::optional<std::string> read_reg_string(HKEY root, std::string_view subkey,
                                           std::string_view value_name,
                                           RegView view = RegView::Default);
// Raw data of a value of any type, nullopt when missing.
std::optional<std::vector<BYTE>> read_reg_raw(HKEY root, std::string_view subkey,
                                              std::string_view value_name,
                                              RegView view = RegView::Default);
bool reg_key_exists(HKEY root, std::string_view subkey, RegView view = RegView::Default);
// Subkey names in enumeration order; a name that is not valid UTF-16 ends the list.
std::vector<std::string> enum_reg_subkeys(HKEY root, std::string_view subkey,
                                          RegView view = RegView::Default);
// The names of a REG_MULTI_SZ value (any type is read as one), empty names skipped; a name that
// is not valid UTF-16 ends the list. Missing: an empty list.
std::vector<std::string> read_reg_multi_string(HKEY root, std::string_view subkey,
                                               std::string_view value_name,
                                               RegView view = RegView::Default);
// A key that holds neither values nor subkeys. A missing key is not empty.
bool reg_key_is_empty(HKEY root, std::string_view subkey, RegView view = RegView::Default);
// Deletes a key that has no subkeys, with its values: ERROR_SUCCESS, also when the key is
// already gone, else the system's error code.
DWORD delete_reg_key(HKEY root, std::string_view subkey, RegView view = RegView::Default);

}  // namespace vl
