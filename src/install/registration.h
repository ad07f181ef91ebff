#pragma once
// The product key and the Uninstall entry written after the files are in place: the values,
// their types and their exact byte encodings, decided as plain data before anything is written.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "product/product.h"

namespace vl {

enum class RegistryType : uint32_t { String = 1, Dword = 4, MultiString = 7 };  // REG_SZ, REG_DWORD, REG_MULTI_SZ

struct RegistryValue {
  std::string name;  // empty: the key's default value
  RegistryType type = RegistryType::String;
  std::vector<uint8_t> data;  // exactly the bytes handed to the registry
  bool operator==(const RegistryValue&) const = default;
};

struct RegistryKeyValues {
  std::string key;  // relative to the hive
  std::vector<RegistryValue> values;
};

// UTF-16LE text with its terminating NUL.
std::vector<uint8_t> encode_reg_string(std::string_view text);
// 4 bytes little-endian.
std::vector<uint8_t> encode_reg_dword(uint32_t value);
// Each text in UTF-16LE followed by a NUL, then one more NUL; no texts: a single NUL.
std::vector<uint8_t> encode_reg_multi_string(std::span<const std::string> texts);

// What the registration writes, in its order: the product key's default value, then the
// Uninstall key's values. EstimatedSize is total_size / 1024, kept to 32 bits.
std::vector<RegistryKeyValues> plan_registration(std::string_view install_dir, InstallScope scope,
                                                 uint64_t total_size,
                                                 std::span<const std::string> installed_files);

// "registry {key}: {message}" and "registry {key}\{value}: {message}".
std::string registry_key_failure_text(std::string_view key, std::string_view message);
std::string registry_value_failure_text(std::string_view key, std::string_view value, std::string_view message);

}  // namespace vl
