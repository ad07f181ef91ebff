#include "sys/private_folder_win.h"

#include <windows.h>

#include <cstdint>

#include "sys/paths.h"
#include "sys/security_win.h"
#include "sys/system_dll_win.h"
#include "sys/text.h"
#include "sys/text_win.h"

namespace vl {
namespace {

// RtlGenRandom (exported by advapi32, which every program here imports) fills `out`; false
// when it is missing or fails.
bool random_bytes(void* out, ULONG size) {
  using GenRandomFn = BOOLEAN(WINAPI*)(PVOID, ULONG);
  auto gen_random = find_proc<GenRandomFn>(GetModuleHandleW(L"advapi32.dll"), "SystemFunction036");
  return gen_random && gen_random(out, size);
}

std::string random_suffix() {
  uint64_t value = 0;
  if (!random_bytes(&value, sizeof value)) {
    // Never without a name: the creating call still refuses a name that exists.
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    value = (static_cast<uint64_t>(GetCurrentProcessId()) << 40) ^ counter.QuadPart;
  }
  static constexpr char DIGITS[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) out[i] = DIGITS[value & 15];
  return out;
}

}  // namespace

std::string temporary_folder() {
  using GetTempPath2Fn = DWORD(WINAPI*)(DWORD, LPWSTR);
  auto get_temp_path2 = find_proc<GetTempPath2Fn>(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W");
  wchar_t buffer[MAX_PATH + 1];
  DWORD length = get_temp_path2 ? get_temp_path2(MAX_PATH + 1, buffer) : GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return {};
  return from_wide(std::wstring_view(buffer, length)).value_or("");
}

Result<std::string> create_private_folder(std::string_view parent, std::string_view prefix,
                                          std::optional<std::string_view> sddl) {
  // An unknown parent (no temporary folder) must not become the current folder.
  if (!is_absolute_path(parent)) {
    return fail(std::string(parent) + ": " + system_message(ERROR_PATH_NOT_FOUND));
  }
  UniqueSecurityDescriptor descriptor;
  if (sddl) {
    Result<UniqueSecurityDescriptor> made = security_descriptor_from_sddl(*sddl);
    if (!made) return fail(std::string(parent) + ": " + made.error());
    descriptor = std::move(*made);
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  // A name someone made first is skipped, never entered: its permissions are theirs.
  for (unsigned attempt = 0;; ++attempt) {
    std::string path = join_path(parent, std::string(prefix) + random_suffix());
    if (CreateDirectoryW(to_wide(path).c_str(), sddl ? &attributes : nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS || attempt == 64) return fail(last_error_text(path));
  }
}

}  // namespace vl
