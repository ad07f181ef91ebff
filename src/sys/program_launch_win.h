#pragma once
// Starting programs: waiting for an installer's child, starting a program without waiting,
// and starting the installed application with the user's normal rights.
#include <cstdint>
#include <string_view>

#include "sys/result.h"

namespace vl {

// Every program started here works in the system folder, not in the installer's current folder
// (often Downloads, or a folder the user chose), which it would otherwise inherit.

// Starts `program` (quoted) with `arguments`, waits up to CHILD_WAIT_MS and returns its exit
// code, or "{program}: {system message}" when it cannot be started, waited for or its exit code
// cannot be read (the timeout's own text when it runs longer).
Result<uint32_t> run_and_wait(std::string_view program, std::string_view arguments);

// Starts `program` with `arguments` and does not wait; a failure is ignored.
void run_command(std::string_view program, std::string_view arguments);

// Asks the desktop shell (Explorer, running with the user's rights) to open `program`.
// Initialises COM on the calling thread.
Status launch_via_shell(std::string_view program, std::string_view arguments);

// Starts the installed application unelevated: directly when this process is not elevated,
// otherwise only through the desktop shell; when the shell route fails, an elevated process
// starts nothing. Silent.
void launch_application(std::string_view program, std::string_view arguments);

}  // namespace vl
