#include "wine/support/files.h"

#include <windows.h>
#include <gtest/gtest.h>
#include <shobjidl.h>

#include "sys/com_win.h"
#include "sys/paths.h"
#include "sys/text.h"
#include "sys/text_win.h"

namespace vl::wine_test {

namespace {

std::wstring environment_value(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::string parent_of(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string temp_root() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return from_wide(std::wstring_view(buffer, length)).value();
}

}  // namespace

std::string test_program_dir() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return parent_of(from_wide(path).value());
}

std::string harness_program(std::string_view name) {
  return join_path(test_program_dir(), std::string(name) + ".exe");
}

std::string sample_payload_dir() {
  const std::wstring dir = environment_value(L"VL_SAMPLE_PAYLOAD_DIR");
  if (!dir.empty()) return from_wide(dir).value();
  return join_path(parent_of(test_program_dir()), "sample-payload");
}

std::string make_temp_dir(std::string_view tag) {
  static unsigned counter = 0;
  const std::string root = temp_root();
  for (;;) {
    const std::string dir = join_path(
        root, format_text("vl-{}-{}-{}",
                          {tag, std::to_string(GetCurrentProcessId()), std::to_string(++counter)}));
    if (CreateDirectoryW(to_wide(dir).c_str(), nullptr)) return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << last_error_text(dir);
      return dir;
    }
  }
}

TempFolder::TempFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string tag = info != nullptr ? info->name() : "test";
  for (char& c : tag) {
    if (c == '/') c = '_';  // parameterised tests are named "Case/0"
  }
  path_ = make_temp_dir(tag);
}

TempFolder::~TempFolder() { delete_tree(path_); }

std::string TempFolder::operator/(std::string_view name) const { return join_path(path_, name); }

void delete_tree(const std::string& path) {
  const std::wstring wide = to_wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
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
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      delete_tree(join_path(path, from_wide(name).value_or("")));
    } while (FindNextFileW(find.get(), &data));
  }
  find.reset();
  RemoveDirectoryW(wide.c_str());
}

bool file_exists(std::string_view path) {
  const DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool dir_exists(std::string_view path) {
  const DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void make_dirs(std::string_view path) {
  const std::wstring wide = to_wide(path);
  for (size_t pos = wide.find(L'\\', 3); pos != std::wstring::npos;
       pos = wide.find(L'\\', pos + 1)) {
    CreateDirectoryW(wide.substr(0, pos).c_str(), nullptr);
  }
  CreateDirectoryW(wide.c_str(), nullptr);
  EXPECT_TRUE(dir_exists(path)) << path;
}

bool write_file(std::string_view path, std::string_view data) {
  UniqueHandle file(CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file ||
      !WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
      written != data.size()) {
    ADD_FAILURE() << last_error_text(path);
    return false;
  }
  return true;
}

std::optional<std::string> read_file(std::string_view path) {
  UniqueHandle file(CreateFileW(to_wide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string data;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    data.append(buffer, got);
  }
  return data;
}

std::string read_handle(HANDLE file) {
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  std::string out;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  return out;
}

bool copy_file(std::string_view from, std::string_view to) {
  if (CopyFileW(to_wide(from).c_str(), to_wide(to).c_str(), FALSE)) return true;
  ADD_FAILURE() << last_error_text(format_text("{} -> {}", {from, to}));
  return false;
}

std::string file_url(std::string_view path) {
  std::string url = "file:///";
  for (char c : path) url += (c == '\\') ? '/' : c;
  return url;
}

UniqueHandle hold(const std::string& path, DWORD share) {
  return UniqueHandle(
      CreateFileW(to_wide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::vector<std::string> scheduled_deletions() {
  std::vector<std::string> out;
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_READ, key.put()) != ERROR_SUCCESS) {
    return out;
  }
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, &type, nullptr,
                       &bytes) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ) {
    return out;
  }
  std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
  RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, &type,
                   reinterpret_cast<BYTE*>(data.data()), &bytes);
  std::vector<std::wstring> items;
  for (size_t pos = 0; pos < bytes / sizeof(wchar_t);) {
    std::wstring item(data.c_str() + pos);
    items.push_back(item);
    pos += item.size() + 1;
  }
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (!items[i + 1].empty()) continue;
    std::wstring source = items[i];
    if (source.rfind(L"\\??\\", 0) == 0) source = source.substr(4);
    out.push_back(from_wide(source).value_or(""));
  }
  return out;
}

bool is_scheduled_for_deletion(const std::string& path) {
  for (const std::string& item : scheduled_deletions()) {
    if (lower_full(item) == lower_full(path)) return true;
  }
  return false;
}

bool make_shell_link(std::string_view link, std::string_view target) {
  ComPtr<IShellLinkW> shell_link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              shell_link.put_void()))) {
    return false;
  }
  shell_link->SetPath(to_wide(target).c_str());
  ComPtr<IPersistFile> file = shell_link.query<IPersistFile>();
  return file && SUCCEEDED(file->Save(to_wide(link).c_str(), TRUE)) && file_exists(link);
}

}  // namespace vl::wine_test
