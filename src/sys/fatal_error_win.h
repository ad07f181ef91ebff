#pragma once
// The stop after a broken invariant (a thread, a window or a factory that cannot be made, the
// heap exhausted): one readable line and an exit code, from any thread.
#include <windows.h>

namespace vl {

// The first words of the fatal line: the program's name, set once by its entry point before
// any other thread starts. `name` must live as long as the process.
void set_fatal_program_name(const char* name);

// Stops the process after a broken invariant: writes "{program}: fatal: {what}: {system message}
// (0x…)" to the standard error stream (when there is one) and the debugger, and exits with
// `code`. Allocates nothing, so that it also serves when the heap is exhausted; a very long
// `what` is cut.
[[noreturn]] void fatal_error(const char* what, HRESULT code);

}  // namespace vl
