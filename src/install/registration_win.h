#pragma once
// Writing the registration: each value with its own create/open, set and close.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "install/registration.h"
#include "sys/result.h"

namespace vl {

// Creates or opens `key` (non-volatile, KEY_WRITE), sets the value with exactly its bytes and
// closes the key. Fails with "registry {key}: …" or "registry {key}\{value}: …".
Status write_registry_value(HKEY hive, std::string_view key, const RegistryValue& value);
Status write_registry_string(HKEY hive, std::string_view key, std::string_view name, std::string_view text);
Status write_registry_dword(HKEY hive, std::string_view key, std::string_view name, uint32_t value);
Status write_registry_multi_string(HKEY hive, std::string_view key, std::string_view name,
                                   std::span<const std::string> texts);

// Writes the keys' values in order; stops at the first failure (what was written stays).
Status write_registry_plan(HKEY hive, std::span<const RegistryKeyValues> plan);

// HKEY_LOCAL_MACHINE for all users, HKEY_CURRENT_USER for the current user.
HKEY registration_hive(InstallScope scope);

}  // namespace vl
