#include "install/legacy_removal_win.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "install/legacy_removal.h"
#include "install/running_app_win.h"
#include "sys/folders_win.h"
#include "sys/no_follow_win.h"
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

// Removes one entry, opened as it is: a link (to a file or a folder) is removed itself by its
// name, which never follows it; a real folder is emptied first, through its own handle, which
// holds it in place meanwhile. `listed` is what the parent's listing showed.
void remove_entry(const std::string& path, const OpenedEntry& entry, DWORD listed = 0) {
  if (entry.is_reparse_point() || (listed & FILE_ATTRIBUTE_REPARSE_POINT)) {
    std::wstring wide = to_wide(path);
    if (entry.is_folder() || (listed & FILE_ATTRIBUTE_DIRECTORY)) {
      RemoveDirectoryW(wide.c_str());
    } else {
      DeleteFileW(wide.c_str());
    }
    return;
  }
  if (entry.is_folder()) {
    for (const FolderEntry& child : folder_entries(entry.handle.get())) {
      std::optional<std::string> name = from_wide(child.name);
      if (!name) continue;
      std::string child_path = join_path(path, *name);
      if (std::optional<OpenedEntry> opened = open_entry(child_path, FILE_LIST_DIRECTORY))
        remove_entry(child_path, *opened, child.attributes);
    }
  }
  delete_through(entry);
}

void remove_client_executables(const std::string& location) {
  std::optional<OpenedEntry> folder = open_entry(location, FILE_LIST_DIRECTORY);
  if (!folder || !folder->is_folder() || folder->is_reparse_point()) return;
  for (std::string_view name : {LEGACY_CLIENT_EXE, LEGACY_STARTER_EXE}) {
    std::optional<OpenedEntry> file = open_entry(join_path(location, name));
    if (file && file->is_plain_file()) delete_through(*file);
  }
  // Only an emptied folder goes: the system refuses to delete one that still holds anything.
  delete_through(*folder);
}

// The user can point their Startup folder anywhere: only a real shell link of that name goes,
// and it goes through the handle that was checked.
void delete_startup_link(const std::string& path) {
  std::optional<OpenedEntry> link = open_entry(path, FILE_READ_DATA);
  if (!link || !link->is_plain_file()) return;
  unsigned char header[SHELL_LINK_HEADER_CHECKED] = {};
  DWORD read = 0;
  if (!ReadFile(link->handle.get(), header, sizeof header, &read, nullptr)) return;
  if (!is_shell_link_header(std::span<const unsigned char>(header, read))) return;
  delete_through(*link);
}

void remove_autostart_shortcuts() {
  for (REFKNOWNFOLDERID id : {FOLDERID_CommonStartup, FOLDERID_Startup}) {
    std::optional<std::string> folder = known_folder_path(id);
    if (!folder) continue;
    delete_startup_link(join_path(*folder, LEGACY_STARTUP_LINK));
  }
}

}  // namespace

std::optional<std::string> system_msiexec_path() {
  return msiexec_path(known_folder_path(FOLDERID_System), system_directory());
}

void remove_folder_tree(std::string_view folder) {
  std::string path(folder);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  std::optional<OpenedEntry> entry = open_entry(path, FILE_LIST_DIRECTORY);
  if (!entry || !entry->is_folder()) return;
  remove_entry(path, *entry);
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
