#include "proc_test_support.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>

#include "install/legacy_removal.h"
#include "install/legacy_removal_win.h"
#include "sys/paths.h"
#include "sys/program_launch.h"
#include "sys/program_launch_win.h"
#include "sys/text.h"
#include "sys/text_win.h"

namespace vl::test {

std::string test_program_dir() {
  wchar_t buffer[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer, length);
  return from_wide(path.substr(0, path.find_last_of(L'\\'))).value();
}

ScratchDir::ScratchDir(std::string_view tag) {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH, temp);
  std::string base = from_wide(std::wstring_view(temp, length)).value();
  path_ = join_path(base, format_text("vl-{}-{}-{}", {tag, std::to_string(GetCurrentProcessId()),
                                                      std::to_string(counter++)}));
  remove_folder_tree(path_);
  make_dirs(path_);
}

ScratchDir::~ScratchDir() { remove_folder_tree(path_); }

std::string ScratchDir::operator/(std::string_view name) const { return join_path(path_, name); }

bool file_exists(std::string_view path) {
  DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool dir_exists(std::string_view path) {
  DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void make_dirs(std::string_view path) {
  std::wstring wide = to_wide(path);
  for (size_t pos = wide.find(L'\\', 3); pos != std::wstring::npos; pos = wide.find(L'\\', pos + 1))
    CreateDirectoryW(wide.substr(0, pos).c_str(), nullptr);
  CreateDirectoryW(wide.c_str(), nullptr);
  ASSERT_TRUE(dir_exists(path)) << path;
}

void write_text_file(std::string_view path, std::string_view text) {
  UniqueHandle file(CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.valid()) << last_error_text(path);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
}

std::string read_text_file(std::string_view path) {
  UniqueHandle file(CreateFileW(to_wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

void copy_file(std::string_view from, std::string_view to) {
  ASSERT_TRUE(CopyFileW(to_wide(from).c_str(), to_wide(to).c_str(), FALSE))
      << last_error_text(format_text("{} -> {}", {from, to}));
}

Started start_program(std::string_view program, std::string_view arguments) {
  std::wstring line = to_wide(quoted_command_line(program, arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  Started started;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    ADD_FAILURE() << last_error_text(program);
    return started;
  }
  CloseHandle(info.hThread);
  started.process.reset(info.hProcess);
  started.pid = info.dwProcessId;
  return started;
}

namespace {

struct WindowSearch {
  DWORD pid;
  bool found = false;
};

BOOL CALLBACK find_window_of(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t name[32];
  int length = GetClassNameW(window, name, 32);
  bool input_method = std::wstring_view(name, length > 0 ? length : 0) == L"IME";
  if (pid == search->pid && !input_method) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool wait_for_window(const Started& started, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    WindowSearch search{started.pid};
    EnumWindows(find_window_of, reinterpret_cast<LPARAM>(&search));
    if (search.found) return true;
    if (WaitForSingleObject(started.process.get(), 50) == WAIT_OBJECT_0) return false;
  }
  return false;
}

std::optional<DWORD> exit_code_within(const Started& started, std::chrono::milliseconds limit) {
  if (WaitForSingleObject(started.process.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(started.process.get(), &code);
  return code;
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

}  // namespace vl::test
