#pragma once
// Helpers for the engine's Wine tests: a fresh folder per test, small file reads and writes,
// handles held with chosen share modes, and the deletions scheduled for the next restart.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"
#include "wine/scratch_win.h"

namespace vl::wine_support {

inline std::string temp_root() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  return from_wide(std::wstring_view(buffer, n)).value();
}

inline bool exists(const std::string& path) { return vl::path_exists(path); }

inline bool write_file(const std::string& path, std::string_view data) {
  return vl::test::write_file(path, data);
}

inline std::string read_file(const std::string& path) {
  UniqueHandle file(CreateFileW(to_wide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (!file) return "<unreadable>";
  std::string out;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  return out;
}

inline std::string read_handle(HANDLE file) {
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  std::string out;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  return out;
}

// Opens a file for reading with the given sharing, as another program holding it would.
inline UniqueHandle hold(const std::string& path, DWORD share) {
  return UniqueHandle(CreateFileW(to_wide(path).c_str(), GENERIC_READ, share, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

// Paths scheduled for deletion at the next restart (PendingFileRenameOperations: pairs of
// source and target, an empty target meaning deletion), without the "\??\" prefix.
inline std::vector<std::string> scheduled_deletions() {
  std::vector<std::string> out;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_READ, &key) != ERROR_SUCCESS) {
    return out;
  }
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &bytes) ==
          ERROR_SUCCESS &&
      type == REG_MULTI_SZ) {
    std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
    RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type,
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
  }
  RegCloseKey(key);
  return out;
}

inline bool is_scheduled_for_deletion(const std::string& path) {
  for (const std::string& item : scheduled_deletions()) {
    if (lower_full(item) == lower_full(path)) return true;
  }
  return false;
}

// A fresh, empty folder under the temporary folder, removed with its content afterwards.
class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = join_path(temp_root(), std::string("vl-engine-") + info->name() + "-" +
                                       std::to_string(GetCurrentProcessId()) + "-" +
                                       std::to_string(++counter));
    for (char& c : path_) {
      if (c == '/') c = '_';
    }
    CreateDirectoryW(to_wide(path_).c_str(), nullptr);
  }
  ~TempFolder() { remove_tree(path_); }
  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const { return join_path(path_, name); }

  static void remove_tree(const std::string& folder) {
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW(to_wide(join_path(folder, "*")).c_str(), &data));
    if (find) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::string child = join_path(folder, from_wide(name).value_or(""));
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          remove_tree(child);
        } else {
          DeleteFileW(to_wide(child).c_str());
        }
      } while (FindNextFileW(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryW(to_wide(folder).c_str());
  }

 private:
  std::string path_;
};

// The folder of the running test program (the harness programs are built beside it).
inline std::string program_folder() {
  wchar_t buffer[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::string path = from_wide(std::wstring_view(buffer, n)).value();
  return path.substr(0, path.rfind('\\'));
}

}  // namespace vl::wine_support
