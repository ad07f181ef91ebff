#include "install/registration_win.h"

#include "product/scope_hive_win.h"
#include "sys/registry_win.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

Status write_registry_value(HKEY hive, std::string_view key, const RegistryValue& value) {
  UniqueKey handle;
  LONG status = RegCreateKeyExW(hive, to_wide(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_WRITE | reg_view_flag(RegView::Default), nullptr, handle.put(), nullptr);
  if (status != ERROR_SUCCESS) return fail(registry_key_failure_text(key, system_message(status)));
  status = RegSetValueExW(handle.get(), to_wide(value.name).c_str(), 0, static_cast<DWORD>(value.type),
                          value.data.data(), static_cast<DWORD>(value.data.size()));
  if (status != ERROR_SUCCESS)
    return fail(registry_value_failure_text(key, value.name, system_message(status)));
  return Status::success();
}

Status write_registry_plan(HKEY hive, std::span<const RegistryKeyValues> plan) {
  for (const RegistryKeyValues& key : plan) {
    for (const RegistryValue& value : key.values) {
      Status written = write_registry_value(hive, key.key, value);
      if (!written) return written;
    }
  }
  return Status::success();
}

Status write_registration(const InstallJob& job, uint64_t total_size, std::span<const std::string> installed_files) {
  auto plan = plan_registration(job.install_dir, job.scope, total_size, installed_files);
  return write_registry_plan(scope_hive(job.scope), plan);
}

}  // namespace vl
