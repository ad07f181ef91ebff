#pragma once
// Token elevation and the elevated relaunch of the installer through the "runas" verb.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "sys/elevation.h"

namespace vl {

// True only when the process token says it is elevated; any failure gives false.
bool is_process_elevated();

// The path of the running executable; empty when it cannot be obtained.
std::string own_module_path();

// Starts `program` with `arguments` through "runas", waits for it up to `wait_ms` (the windowed
// run without a limit: its copy shows the wizard for as long as the user takes) and hands back
// its exit code. `parent` may be null. `on_child_started` runs after the copy was
// started with a process handle and before the wait (the windowed run hides its window there).
// Initialises COM on the calling thread for the shell call.
ElevationOutcome relaunch_elevated(std::string_view program, std::string_view arguments, HWND parent,
                                   const std::function<void()>& on_child_started = {},
                                   DWORD wait_ms = INFINITE);

}  // namespace vl
