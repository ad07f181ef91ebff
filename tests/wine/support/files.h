#pragma once
// Files and folders for the Win32 tests: where the test program and the harness programs are,
// fresh temporary folders, small file reads and writes, handles held with chosen share modes,
// and the deletions scheduled for the next restart. Paths are UTF-8.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/unique_handle_win.h"

namespace vl::wine_test {

// The folder holding wine_tests.exe; the harness programs are built beside it.
std::string test_program_dir();
// The harness program built beside the tests, e.g. harness_program("probe_child").
std::string harness_program(std::string_view name);
// VL_SAMPLE_PAYLOAD_DIR when set, else the build's staged folder beside the tests' folder.
std::string sample_payload_dir();

// A new, empty folder under the temporary folder that outlives the test (the prefix does not):
// for files a child process may still hold when the test ends.
std::string make_temp_dir(std::string_view tag);

// A new, empty folder under the temporary folder, named after the running test; removed with
// its contents at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const;

 private:
  std::string path_;
};

// Removes a file, or a folder with everything in it (read-only files too); absence is fine.
void delete_tree(const std::string& path);
bool file_exists(std::string_view path);
bool dir_exists(std::string_view path);
// Creates the folder and its missing parents; a folder that cannot be made fails the test.
void make_dirs(std::string_view path);

// Creates or replaces the file with `data`. A file that cannot be written fails the test (and
// returns false, so that a caller can stop).
bool write_file(std::string_view path, std::string_view data);
// The whole file, read while other handles may be open on it; nullopt when it cannot be opened.
std::optional<std::string> read_file(std::string_view path);
// The whole content behind an open handle, from its start.
std::string read_handle(HANDLE file);
// Copies over any existing file; a copy that fails fails the test (and returns false).
bool copy_file(std::string_view from, std::string_view to);
// A file:/// address for a local path.
std::string file_url(std::string_view path);

// Opens a file for reading with the given sharing, as another program holding it would.
UniqueHandle hold(const std::string& path, DWORD share);

// Paths scheduled for deletion at the next restart (PendingFileRenameOperations entries with an
// empty target), without the "\??\" prefix.
std::vector<std::string> scheduled_deletions();
bool is_scheduled_for_deletion(const std::string& path);

// Creates a shell link at `link` pointing to `target` (COM must be initialised).
bool make_shell_link(std::string_view link, std::string_view target);

}  // namespace vl::wine_test
