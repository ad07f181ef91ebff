#pragma once
// Child processes for the Wine tests: where the harness programs and the sample payload are,
// starting a program with pipes on its stdin and stdout, and reading the launcher's exit line.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sys/unique_handle_win.h"

namespace vl::testing {

// The folder of the running test program; the harness programs are built beside it.
std::wstring test_program_dir();
std::wstring harness_program(std::wstring_view file_name);
// VL_SAMPLE_PAYLOAD_DIR when set, else the build's staged folder beside the tests' folder.
std::wstring sample_payload_dir();
// A fresh, empty folder under the temporary folder (not removed afterwards: the prefix is).
std::wstring make_temp_dir(std::wstring_view tag);

// One argument quoted for the C runtime's splitting (the inverse of CommandLineToArgvW).
std::wstring quote_argument(std::wstring_view argument);

// The "exit code: N" line that run_unelevated.exe prints last; nullopt when it is missing.
std::optional<uint32_t> launcher_exit_code(std::string_view output);

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

}  // namespace vl::testing
