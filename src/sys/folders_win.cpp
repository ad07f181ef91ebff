#include "sys/folders_win.h"

#include <vector>

#include "sys/paths.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

std::optional<std::string> known_folder_path(REFKNOWNFOLDERID id) {
  UniqueCoTaskMem<wchar_t> path;
  if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, path.put())) || !path) return std::nullopt;
  return from_wide(path.get());
}

std::string absolute_path(const std::string& path) {
  std::wstring wide = to_wide(path);
  DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  DWORD written = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return path;
  full.resize(written);
  return from_wide(full).value_or(path);
}

bool passes_reparse_point(std::string_view root, std::string_view path) {
  std::string walked(root);
  const std::vector<std::string_view> parts = path_components(path);
  size_t next = path_components(root).size();
  for (;;) {
    const DWORD attributes = GetFileAttributesW(to_wide(walked).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = GetLastError();
      return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    if (next >= parts.size()) return false;
    walked = join_path(walked, parts[next++]);
  }
}

bool path_exists(std::string_view path) {
  return GetFileAttributesW(to_wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace vl
