#include "install/legacy_removal_win.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "install/legacy_removal.h"
#include "install/running_app_win.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/processes_win.h"
#include "sys/program_launch_win.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

namespace {

constexpr DWORD SETTLE_AFTER_TERMINATION_MS = 500;

std::optional<std::string> system_directory() {
  wchar_t buffer[MAX_PATH];
  UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return from_wide(std::wstring_view(buffer, length));
}

bool is_link(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
bool is_directory(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

void make_writable(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
}

// Removes one entry: a link (to a file or a folder) is removed itself; a real folder is emptied
// first.
void remove_entry(const std::wstring& path, DWORD attributes);

void remove_contents(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  UniqueFindHandle search(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0));
  if (!search) return;
  do {
    std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    remove_entry(folder + L"\\" + found.cFileName, found.dwFileAttributes);
  } while (FindNextFileW(search.get(), &found));
}

void remove_entry(const std::wstring& path, DWORD attributes) {
  make_writable(path, attributes);
  if (is_directory(attributes)) {
    if (!is_link(attributes)) remove_contents(path);
    RemoveDirectoryW(path.c_str());
  } else {
    DeleteFileW(path.c_str());
  }
}

void remove_client_executables(const std::string& location) {
  for (std::string_view name : {LEGACY_CLIENT_EXE, LEGACY_STARTER_EXE}) {
    std::wstring path = to_wide(join_path(location, name));
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || is_directory(attributes)) continue;
    make_writable(path, attributes);
    DeleteFileW(path.c_str());
  }
  // Only an emptied folder goes; RemoveDirectoryW refuses one that still holds anything.
  RemoveDirectoryW(to_wide(location).c_str());
}

void remove_autostart_shortcuts() {
  for (REFKNOWNFOLDERID id : {FOLDERID_CommonStartup, FOLDERID_Startup}) {
    std::optional<std::string> folder = known_folder_path(id);
    if (!folder) continue;
    DeleteFileW(to_wide(join_path(*folder, LEGACY_STARTUP_LINK)).c_str());
  }
}

}  // namespace

std::optional<std::string> system_msiexec_path() {
  return msiexec_path(known_folder_path(FOLDERID_System), system_directory());
}

void remove_folder_tree(std::string_view folder) {
  std::wstring path = to_wide(folder);
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !is_directory(attributes)) return;
  remove_entry(path, attributes);
}

void remove_legacy_client(const LegacyClient& legacy, const LegacyRemovalContext& context) {
  terminate_processes(find_processes_by_name(LEGACY_CLIENT_EXE));
  terminate_processes(find_processes_by_name(LEGACY_STARTER_EXE));
  Sleep(SETTLE_AFTER_TERMINATION_MS);

  if (legacy.product_code && context.msiexec) {
    // The exit code (1605 unknown product, 1603, 3010 …) and a failure to start are ignored.
    (void)run_and_wait(*context.msiexec,
                               legacy_uninstall_arguments(*legacy.product_code, context.quiet));
  }

  if (legacy.location) {
    switch (legacy_folder_action(*legacy.location, context.install_dir)) {
      case LegacyFolderAction::RemoveTree: remove_folder_tree(*legacy.location); break;
      case LegacyFolderAction::RemoveExecutables: remove_client_executables(*legacy.location); break;
      case LegacyFolderAction::Nothing: break;
    }
  }

  remove_autostart_shortcuts();
}

void remove_previous_msi(std::string_view product_code, const std::optional<std::string>& msiexec) {
  if (!msiexec) return;
  (void)run_and_wait(*msiexec, previous_msi_uninstall_arguments(product_code));
}

}  // namespace vl
