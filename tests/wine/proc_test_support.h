#pragma once
// Helpers shared by the Wine tests of process handling and legacy removal: scratch folders,
// files, starting programs and reading their fate.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/unique_handle_win.h"

namespace vl::test {

// The folder of the running test program (build/windows/tests).
std::string test_program_dir();

// A fresh, empty folder under the temporary folder, deleted with its contents on destruction.
class ScratchDir {
 public:
  explicit ScratchDir(std::string_view tag);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const;

 private:
  std::string path_;
};

bool file_exists(std::string_view path);
bool dir_exists(std::string_view path);
void make_dirs(std::string_view path);
void write_text_file(std::string_view path, std::string_view text);
std::string read_text_file(std::string_view path);
void copy_file(std::string_view from, std::string_view to);

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

// Creates a shell link at `link` pointing to `target` (COM must be initialised).
bool make_shell_link(std::string_view link, std::string_view target);

}  // namespace vl::test
