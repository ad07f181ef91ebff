#pragma once
// The DPI calls newer than Windows 7, looked up in user32 at run time.
#include <windows.h>

namespace vl {

// Makes the calling process per-monitor DPI aware (version 2) where the system supports it.
// The installer gets this from its manifest; test programs without one call this first.
void enable_per_monitor_dpi_awareness();

// GetDpiForWindow where it exists; 0 otherwise.
UINT window_dpi(HWND hwnd);

}  // namespace vl
