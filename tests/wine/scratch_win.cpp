#include "wine/scratch_win.h"

#include <shellapi.h>

#include <random>
#include <vector>

#include "sys/folders_win.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl::test {

namespace {

std::string random_name() {
  std::random_device device;
  std::mt19937_64 generator((uint64_t(device()) << 32) ^ device() ^ GetTickCount64() ^ GetCurrentProcessId());
  char text[24];
  snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
  return text;
}

}  // namespace

std::string test_program_folder() {
  wchar_t buffer[MAX_PATH * 4];
  DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
  std::wstring path(buffer, length);
  path.resize(path.find_last_of(L'\\'));
  return from_wide(path).value();
}

std::string harness_program(std::string_view name) {
  return test_program_folder() + "\\" + std::string(name) + ".exe";
}

TempFolder::TempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::string base = from_wide(std::wstring_view(buffer, length)).value();
  if (!base.empty() && base.back() == '\\') base.pop_back();
  path_ = base + "\\vl-test-" + random_name();
  CreateDirectoryW(to_wide(path_).c_str(), nullptr);
}

TempFolder::~TempFolder() { delete_tree(path_); }

std::string TempFolder::file(std::string_view name) const { return path_ + "\\" + std::string(name); }

ScratchKey::ScratchKey(HKEY root) : root_(root), path_("Software\\VeriluneTest\\" + random_name()) {}

ScratchKey::~ScratchKey() {
  RegDeleteTreeW(root_, to_wide(path_).c_str());
  RegDeleteKeyW(root_, to_wide(path_).c_str());
}

bool set_reg_value(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data,
                   DWORD size) {
  return RegSetKeyValueW(root, to_wide(key).c_str(), to_wide(name).c_str(), type, data, size) == ERROR_SUCCESS;
}

bool set_reg_string(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
  std::wstring wide = to_wide(text);
  return set_reg_value(root, key, name, REG_SZ, wide.c_str(), static_cast<DWORD>((wide.size() + 1) * 2));
}

std::optional<RawValue> get_reg_value(HKEY root, const std::string& key, const std::string& name) {
  // RegQueryValueExW hands back the stored bytes as they are (RegGetValueW would add a NUL).
  UniqueKey handle;
  if (RegOpenKeyExW(root, to_wide(key).c_str(), 0, KEY_READ, handle.put()) != ERROR_SUCCESS) return std::nullopt;
  RawValue value;
  DWORD size = 0;
  std::wstring wide_name = to_wide(name);
  if (RegQueryValueExW(handle.get(), wide_name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  if (RegQueryValueExW(handle.get(), wide_name.c_str(), nullptr, &value.type, value.data.data(), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  return value;
}

std::string file_url(const std::string& path) {
  std::string url = "file:///";
  for (char c : path) url += (c == '\\') ? '/' : c;
  return url;
}

ScopedEnvironment::ScopedEnvironment(std::string_view name, std::optional<std::string_view> value)
    : name_(to_wide(name)) {
  wchar_t buffer[4096];
  DWORD length = GetEnvironmentVariableW(name_.c_str(), buffer, 4096);
  if (length > 0 && length < 4096) previous_ = std::wstring(buffer, length);
  SetEnvironmentVariableW(name_.c_str(), value ? to_wide(*value).c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() {
  SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

void delete_tree(const std::string& path) {
  std::wstring wide = to_wide(path);
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(wide.c_str());
    return;
  }
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(FindFirstFileW((wide + L"\\*").c_str(), &data));
  if (find) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      delete_tree(path + "\\" + from_wide(name).value_or(""));
    } while (FindNextFileW(find.get(), &data));
  }
  find.reset();
  RemoveDirectoryW(wide.c_str());
}

bool path_exists(const std::string& path) { return vl::path_exists(path); }

bool write_file(const std::string& path, std::string_view data) {
  UniqueHandle file(CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
         written == data.size();
}

std::optional<std::string> read_file(const std::string& path) {
  UniqueHandle file(CreateFileW(to_wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string data;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) data.append(buffer, got);
  return data;
}

bool copy_file(const std::string& from, const std::string& to) {
  return CopyFileW(to_wide(from).c_str(), to_wide(to).c_str(), FALSE) != 0;
}

std::optional<std::map<std::string, std::string>> read_probe_record(const std::string& path,
                                                                    DWORD wait_ms) {
  ULONGLONG deadline = GetTickCount64() + wait_ms;
  for (;;) {
    if (auto text = read_file(path)) {
      std::map<std::string, std::string> record;
      size_t start = 0;
      while (start < text->size()) {
        size_t end = text->find('\n', start);
        if (end == std::string::npos) end = text->size();
        std::string line = text->substr(start, end - start);
        if (size_t eq = line.find('='); eq != std::string::npos)
          record[line.substr(0, eq)] = line.substr(eq + 1);
        start = end + 1;
      }
      return record;
    }
    if (GetTickCount64() >= deadline) return std::nullopt;
    Sleep(50);
  }
}

std::optional<DWORD> run_unelevated_and_wait(const std::string& command_line) {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
  TOKEN_LINKED_TOKEN linked{};
  DWORD returned = 0;
  if (!GetTokenInformation(token.get(), TokenLinkedToken, &linked, sizeof linked, &returned))
    return std::nullopt;
  UniqueHandle limited(linked.LinkedToken);
  std::wstring command = to_wide(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessAsUserW(limited.get(), nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info)) {
    return std::nullopt;
  }
  UniqueHandle process(info.hProcess), thread(info.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

}  // namespace vl::test
