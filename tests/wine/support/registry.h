#pragma once
// Registry fixtures for the Win32 tests: a scratch key removed afterwards, and plain reads and
// writes through the registry API (independent of the code under test).
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vl::wine_test {

// The registry view the shipped 32-bit program reaches, named explicitly so that the x86_64
// twin of these tests reads and writes the same keys.
inline constexpr REGSAM PRODUCT_VIEW = KEY_WOW64_32KEY;

// <root>\Software\VeriluneTest\<random> (HKCU unless told); deleted with its subtree at the end.
class ScratchKey {
 public:
  explicit ScratchKey(HKEY root = HKEY_CURRENT_USER);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  HKEY root() const { return root_; }
  const std::string& path() const { return path_; }  // relative to root()
  std::string sub(std::string_view name) const { return path_ + "\\" + std::string(name); }

 private:
  HKEY root_;
  std::string path_;
};

// Writes a value (creating the key) through the plain registry API, in PRODUCT_VIEW like the
// reads and the scratch key; false on failure.
bool set_reg_value(HKEY root, const std::string& key, const std::string& name, DWORD type,
                   const void* data, DWORD size);
bool set_reg_string(HKEY root, const std::string& key, const std::string& name,
                    const std::string& text);
// A value's type and raw bytes; nullopt when missing.
struct RawValue {
  DWORD type = 0;
  std::vector<uint8_t> data;
};
std::optional<RawValue> get_reg_value(HKEY root, const std::string& key,
                                      const std::string& name);

}  // namespace vl::wine_test
