#include "sys/system_dll_win.h"

#include <cstdint>

namespace vl {

UniqueModule load_system_dll(const wchar_t* name) {
  return UniqueModule(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

void restrict_dll_search() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto set_default = find_proc<SetDefaultDllDirectoriesFn>(GetModuleHandleW(L"kernel32.dll"),
                                                           "SetDefaultDllDirectories");
  if (!set_default || !set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

}  // namespace vl
