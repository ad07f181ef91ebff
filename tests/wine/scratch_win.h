#pragma once
// Fixtures for the Win32 tests: fresh temporary folders, a scratch registry key, environment
// overrides, the helper programs built beside this test program, and unelevated starts.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vl::test {

// The folder holding wine_tests.exe and the harness programs (UTF-8).
std::string test_program_folder();
// The path of a harness program built beside the tests, e.g. harness_program("probe_child").
std::string harness_program(std::string_view name);

// A new, empty folder under the temporary folder; removed with its contents at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const;

 private:
  std::string path_;
};

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

// Sets an environment variable for the test's duration and restores the earlier state.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string_view name, std::optional<std::string_view> value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::wstring name_;
  std::optional<std::wstring> previous_;
};

void delete_tree(const std::string& path);
bool path_exists(const std::string& path);
bool write_file(const std::string& path, std::string_view data);
std::optional<std::string> read_file(const std::string& path);
bool copy_file(const std::string& from, const std::string& to);

// The key=value lines that probe_child writes; nullopt when the record does not appear within
// `wait_ms`.
std::optional<std::map<std::string, std::string>> read_probe_record(const std::string& path,
                                                                    DWORD wait_ms = 0);

// Writes a value (creating the key) through the plain registry API; false on failure.
bool set_reg_value(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data,
                   DWORD size);
bool set_reg_string(HKEY root, const std::string& key, const std::string& name, const std::string& text);
// A value's type and raw bytes; nullopt when missing.
struct RawValue {
  DWORD type = 0;
  std::vector<uint8_t> data;
};
std::optional<RawValue> get_reg_value(HKEY root, const std::string& key, const std::string& name);

// A file:/// address for a local path.
std::string file_url(const std::string& path);

// Runs `command_line` with the linked (limited) token of this process's token, waits and
// returns the exit code; nullopt when it cannot be started.
std::optional<DWORD> run_unelevated_and_wait(const std::string& command_line);

}  // namespace vl::test
