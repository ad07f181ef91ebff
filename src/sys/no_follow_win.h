#pragma once
// Files and folders acted on as they are, never through a reparse point: a junction or a
// symbolic link that someone else planted is at most removed itself, never followed to what it
// names. Each call checks the entry through the handle it opened and acts through that same
// handle, so that the entry checked is the entry acted on, whatever happens to its path.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/unique_handle_win.h"

namespace vl {

// An entry opened by open_entry, with its attributes read through the handle.
struct OpenedEntry {
  UniqueHandle handle;
  DWORD attributes = 0;
  bool is_reparse_point() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  bool is_folder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // A file on disk that is neither a folder nor a reparse point.
  bool is_plain_file() const;
};

// Opens the entry at `path` itself (FILE_FLAG_OPEN_REPARSE_POINT; a folder too) for reading its
// attributes, changing them and deletion, plus `access`. Others may go on reading and writing
// it, but not delete or rename it while the handle is open. The attributes are the handle's,
// with a reparse point that the path's own attributes show added (a file system that follows a
// link even when asked not to, as Wine does with a Unix link, still shows it there). Absent when
// it cannot be opened; GetLastError() then tells why.
std::optional<OpenedEntry> open_entry(std::string_view path, DWORD access = 0);

// Whether the path's own attributes show a reparse point. Only ever a further refusal beside a
// handle's answer: Wine follows a Unix link even when asked not to, and shows it as a reparse
// point only by path.
bool path_shows_reparse_point(std::string_view path);

// Marks the entry open through `entry` for deletion (FILE_DISPOSITION_INFO; it goes when its
// last handle closes), making a read-only entry writable first. False when the system refuses
// (a folder that is not empty, a running program's image).
bool delete_through(const OpenedEntry& entry);
// The same for any entry open through `handle` with DELETE and FILE_WRITE_ATTRIBUTES access,
// whose attributes are `attributes`.
bool delete_through(HANDLE handle, DWORD attributes);

// Opens each folder of `relative` (backslash-separated, may be empty) below `root`, outermost
// first, as open_entry does: none may be a reparse point. Held open, they can be neither
// renamed nor replaced, so a path below the last one leads where it was checked to lead. Absent
// when one is missing, is no folder or is a reparse point.
std::optional<std::vector<OpenedEntry>> hold_folders(std::string_view root,
                                                     std::string_view relative);

// The entries of the folder open through `folder`, read through that handle ("." and ".." left
// out): they are that folder's even when its path has come to name another meanwhile.
struct FolderEntry {
  std::wstring name;
  DWORD attributes = 0;  // as the listing shows them
};
std::vector<FolderEntry> folder_entries(HANDLE folder);

}  // namespace vl
