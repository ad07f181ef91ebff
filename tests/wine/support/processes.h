#pragma once
// Child processes for the Win32 tests: starting a program (plainly, unelevated, or with pipes on
// its stdin and stdout), waiting for its window or its end, reading what the harness programs
// record, and environment overrides.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "sys/unique_handle_win.h"

namespace vl::wine_test {

struct Started {
  UniqueHandle process;
  uint32_t pid = 0;
};
// Starts `program` with the quoted-path command line and `arguments`; fails the test if it
// cannot start.
Started start_program(std::string_view program, std::string_view arguments = {});
// Waits until the process has a top-level window (true), it ends, or `limit` passes.
bool wait_for_window(const Started& started, std::chrono::milliseconds limit);
// The exit code once the process has ended within `limit`; nullopt while it still runs.
std::optional<DWORD> exit_code_within(const Started& started, std::chrono::milliseconds limit);

// Runs `command_line` with the linked (limited) token of this process's token, waits and
// returns the exit code; nullopt when it cannot be started.
std::optional<DWORD> run_unelevated_and_wait(const std::string& command_line);

// One argument quoted for the C runtime's splitting (the inverse of CommandLineToArgvW).
std::wstring quote_argument(std::wstring_view argument);

// The "exit code: N" line that run_unelevated.exe prints last; nullopt when it is missing.
std::optional<uint32_t> launcher_exit_code(std::string_view output);

// The key=value lines that probe_child writes; nullopt when the record does not appear within
// `wait_ms`.
std::optional<std::map<std::string, std::string>> read_probe_record(const std::string& path,
                                                                    DWORD wait_ms = 0);

// A started program whose stdin and stdout are pipes held by the test.
class Child {
 public:
  // Starts `command_line` (CreateProcessW, our token); `ok()` tells whether it started.
  explicit Child(std::wstring command_line);
  // A child still running when its test ends (a failed test) is terminated.
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  bool ok() const { return process_.valid(); }
  const std::string& start_error() const { return start_error_; }
  DWORD pid() const { return pid_; }
  HANDLE process() const { return process_.get(); }

  // Reads stdout until a whole line is there or the time is up; nullopt on timeout or end.
  std::optional<std::string> read_line(DWORD timeout_ms);
  // Everything written to stdout until the pipe ends (or the time is up), CR LF read as LF.
  std::string read_all(DWORD timeout_ms);
  bool write_stdin(std::string_view text);
  void close_stdin() { stdin_.reset(); }
  // The exit code once the process has ended within the time, else nullopt.
  std::optional<DWORD> wait(DWORD timeout_ms);
  void terminate(UINT code) { TerminateProcess(process_.get(), code); }

 private:
  // Moves what the pipe holds into buffer_; false once the pipe has ended.
  bool pump();

  UniqueHandle process_;
  UniqueHandle stdin_;
  UniqueHandle stdout_;
  DWORD pid_ = 0;
  std::string buffer_;
  std::string start_error_;
};

// Sets an environment variable for the test's duration and restores the earlier state.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string_view name, std::optional<std::string_view> value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::wstring name_;
  std::optional<std::wstring> previous_;
};

}  // namespace vl::wine_test
