#pragma once
// Writing the registration: each value with its own create/open, set and close.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_job.h"
#include "install/registration.h"
#include "sys/result.h"

namespace vl {

// Creates or opens `key` (non-volatile, KEY_WRITE), sets the value with exactly its bytes and
// closes the key. Fails with "registry {key}: …" or "registry {key}\{value}: …".
Status write_registry_value(HKEY hive, std::string_view key, const RegistryValue& value);

// Writes the keys' values in order; stops at the first failure (what was written stays).
Status write_registry_plan(HKEY hive, std::span<const RegistryKeyValues> plan);

// Register's second half: the product key and the Uninstall entry of the job's scope, in
// their order; the first failure text ends the run.
Status write_registration(const InstallJob& job, uint64_t total_size,
                          std::span<const std::string> installed_files);

}  // namespace vl
