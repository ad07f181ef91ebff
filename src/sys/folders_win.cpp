#include "sys/folders_win.h"

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

bool path_exists(std::string_view path) {
  return GetFileAttributesW(to_wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace vl
