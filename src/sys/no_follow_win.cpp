#include "sys/no_follow_win.h"

#include "sys/paths.h"
#include "sys/text_win.h"

namespace vl {

bool OpenedEntry::is_plain_file() const {
  return !is_folder() && !is_reparse_point() && !(attributes & FILE_ATTRIBUTE_DEVICE) &&
         GetFileType(handle.get()) == FILE_TYPE_DISK;
}

std::optional<OpenedEntry> open_entry(std::string_view path, DWORD access) {
  OpenedEntry entry;
  entry.handle.reset(CreateFileW(
      to_wide(path).c_str(), access | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!entry.handle) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(entry.handle.get(), &info)) return std::nullopt;
  entry.attributes = info.dwFileAttributes;
  DWORD by_path = GetFileAttributesW(to_wide(path).c_str());
  if (by_path != INVALID_FILE_ATTRIBUTES)
    entry.attributes |= by_path & FILE_ATTRIBUTE_REPARSE_POINT;
  return entry;
}

bool path_shows_reparse_point(std::string_view path) {
  const DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool delete_through(const OpenedEntry& entry) {
  return delete_through(entry.handle.get(), entry.attributes);
}

bool delete_through(HANDLE handle, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) | FILE_ATTRIBUTE_NORMAL;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) basic.FileAttributes &= ~DWORD{FILE_ATTRIBUTE_NORMAL};
    SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

std::optional<std::vector<OpenedEntry>> hold_folders(std::string_view root,
                                                     std::string_view relative) {
  std::vector<OpenedEntry> held;
  std::string path(root);
  for (std::string_view part : path_components(relative)) {
    path = join_path(path, part);
    std::optional<OpenedEntry> folder = open_entry(path, FILE_LIST_DIRECTORY);
    if (!folder || !folder->is_folder() || folder->is_reparse_point()) return std::nullopt;
    held.push_back(std::move(*folder));
  }
  return held;
}

std::vector<FolderEntry> folder_entries(HANDLE folder) {
  std::vector<FolderEntry> names;
  // FILE_ID_BOTH_DIR_INFO records, as many as fit, per call; the first call starts over.
  alignas(8) unsigned char buffer[16 * 1024];
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer)) {
    kind = FileIdBothDirectoryInfo;
    for (size_t at = 0;;) {
      const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
      std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") names.push_back({std::move(name), record->FileAttributes});
      if (record->NextEntryOffset == 0) break;
      at += record->NextEntryOffset;
    }
  }
  return names;
}

}  // namespace vl
