// The image's load configuration, for one field: DependentLoadFlags. Windows 10 1607 and later
// resolve the DLLs an image imports statically (and the DLLs those import) with these flags;
// System32 only means that nothing planted beside the installer (often in Downloads) can stand
// in for a system DLL even before the first line of our code runs restrict_dll_search().
//
// The GNU linker neither fills the load-config data directory nor keeps this unreferenced
// object on its own: the executables ask for the symbol at link time and a post-link step
// (cmake/load_config.cmake) points the directory at it.
#include <windows.h>

#include <cstddef>

// Only the shipped 32-bit image carries it; the x86_64 twin that the tests build has none.
#if defined(__i386__)
namespace {

// The 32-bit layout up to the SafeSEH fields. The mingw headers call DependentLoadFlags
// "Reserved1", so the layout is spelled out here and checked against the documented offsets.
struct LoadConfig32 {
  DWORD size;
  DWORD time_date_stamp;
  WORD major_version;
  WORD minor_version;
  DWORD global_flags_clear;
  DWORD global_flags_set;
  DWORD critical_section_default_timeout;
  DWORD decommit_free_block_threshold;
  DWORD decommit_total_free_threshold;
  DWORD lock_prefix_table;
  DWORD maximum_allocation_size;
  DWORD virtual_memory_threshold;
  DWORD process_heap_flags;
  DWORD process_affinity_mask;
  WORD csd_version;
  WORD dependent_load_flags;
  DWORD edit_list;
  DWORD security_cookie;
  DWORD se_handler_table;  // zero with a zero count: no SafeSEH table is claimed
  DWORD se_handler_count;
};
static_assert(offsetof(LoadConfig32, dependent_load_flags) == 0x36);
static_assert(sizeof(LoadConfig32) == sizeof(IMAGE_LOAD_CONFIG_DIRECTORY32));

}  // namespace

extern "C" const LoadConfig32 _load_config_used = {
    .size = sizeof(LoadConfig32),
    .dependent_load_flags = LOAD_LIBRARY_SEARCH_SYSTEM32,
};
#endif
