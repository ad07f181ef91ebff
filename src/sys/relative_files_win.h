#pragma once
// Entries opened, renamed and queried by a name looked up in a folder that is held open, never
// again by a path: the name is resolved in that folder object, whatever its path (or a folder
// above it) names by now. A reparse point under the name is never followed: it is opened itself.
#include <windows.h>

#include <string_view>

#include "sys/unique_handle_win.h"

namespace vl {

enum class EntryKind : uint8_t { File, Folder };
enum class Disposition : uint8_t { OpenExisting, CreateNew, OpenOrCreate };

struct BelowOpen {
  ACCESS_MASK access = 0;  // SYNCHRONIZE and FILE_READ_ATTRIBUTES are always added
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  Disposition disposition = Disposition::OpenExisting;
  EntryKind kind = EntryKind::File;
  // For an entry this call creates: its security; null inherits the folder's.
  PSECURITY_DESCRIPTOR security = nullptr;
};

// An entry opened by open_below: its handle (synchronous I/O), its attributes as the handle
// shows them with a reparse point that the name itself shows added (a file system that follows
// a link even when asked not to, as Wine does with a Unix link, still shows it there), and
// whether this call created it. Without a handle, `error` is the Win32 error.
struct BelowEntry {
  UniqueHandle handle;
  DWORD attributes = 0;
  bool created = false;
  DWORD error = ERROR_SUCCESS;
  explicit operator bool() const { return handle.valid(); }
  bool is_reparse_point() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  bool is_folder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// Opens `name` (one path component: no backslash, not "." or "..") in the folder open through
// `folder`. The kind is enforced: a file is not opened as a folder, nor a folder as a file.
BelowEntry open_below(HANDLE folder, std::wstring_view name, const BelowOpen& how);

// Gives the entry open through `entry` (opened with DELETE access) the name `name` in the
// folder open through `folder`; `replace` lets it take the place of a file of that name.
// ERROR_SUCCESS or the Win32 error.
DWORD rename_below(HANDLE entry, HANDLE folder, std::wstring_view name, bool replace);

// Whether `name` in the folder open through `folder` exists, by its own attributes (a link's,
// not its target's); the attributes, or INVALID_FILE_ATTRIBUTES when it cannot be read.
DWORD attributes_below(HANDLE folder, std::wstring_view name);

}  // namespace vl
