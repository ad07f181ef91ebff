#pragma once
// Finding, asking to close, terminating and waiting for processes. Every search takes a fresh
// snapshot; nothing here but the wait fails: a missing snapshot finds nothing and errors are
// ignored.
#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "sys/processes.h"
#include "sys/result.h"

namespace vl {

// The process snapshot as plain records; the image path is read only for processes named
// `read_paths_for` (empty: none), since reading it opens the process.
std::vector<ProcessRecord> snapshot_processes(std::string_view read_paths_for);

// Terminates each process with exit code 1 and waits a bounded time for it to end.
void terminate_processes(const std::vector<uint32_t>& ids);

// How long the installer waits for a program it started (msiexec, the WebView2 bootstrapper,
// an unattended run's elevated copy) before it gives up on it and ends with a text. Generous:
// each of them may download or remove hundreds of megabytes on a slow machine.
inline constexpr DWORD CHILD_WAIT_MS = 30u * 60u * 1000u;
inline constexpr std::string_view TEXT_CHILD_TIMED_OUT = "{}: {} минутын дотор дуусаагүй.";

// Waits up to `wait_ms` for `process` to end and reads its exit code. A wait that fails or runs
// out ("{subject}: … минутын дотор дуусаагүй.", the program left running), or an exit code that
// cannot be read, is a failure text: an outcome nobody knows is not a success.
Result<uint32_t> wait_for_exit_code(HANDLE process, std::string_view subject,
                                    DWORD wait_ms = INFINITE);

// Posts WM_CLOSE to every top-level window of these processes (hidden ones too: a tray
// application's window is hidden). Returns how many windows were asked.
int request_close(const std::vector<uint32_t>& ids);

}  // namespace vl
