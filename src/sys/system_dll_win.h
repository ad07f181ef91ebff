#pragma once
// DLLs that are not on the system's known-DLL list (d2d1, dwrite, dwmapi…) are never imported
// statically: they are loaded at run time from System32 only, so a planted copy beside the
// executable is never picked up. Functions newer than Windows 7 are looked up the same way.
#include <windows.h>

#include "sys/unique_handle_win.h"

namespace vl {

// A program's first act: DLLs are searched in System32 only, so that nothing planted beside the
// executable (often in Downloads) is loaded. Windows 7 may lack the call; then the current
// folder is at least taken out of the search.
void restrict_dll_search();

// LoadLibraryExW(name, LOAD_LIBRARY_SEARCH_SYSTEM32); an empty module when it is missing.
UniqueModule load_system_dll(const wchar_t* name);

// The address of `name` in `module` as a function pointer of type F; null when absent.
template <typename F>
F find_proc(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// A function of user32 (always loaded in a GUI process) that may not exist on older systems.
template <typename F>
F find_user32_proc(const char* name) {
  return find_proc<F>(::GetModuleHandleW(L"user32.dll"), name);
}

}  // namespace vl
