#pragma once
// Which processes of a snapshot count as a given program. The snapshot walk and the image-path
// reads live in processes_win.cpp; the decision is made here over plain records.
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vl {

struct ProcessRecord {
  uint32_t pid = 0;
  // The executable file name as the snapshot gives it.
  std::string exe_name;
  // The full image path; absent when the process could not be opened or its path not read.
  std::optional<std::string> image_path;
};

// The last component of a path ("" when the path ends in a separator or is empty).
std::string_view path_file_name(std::string_view path);

// Ids of the processes running `image_path`. A process with the same file name whose path could
// not be read counts as a match: a protected instance, or one of another user, is assumed to be
// the application.
std::vector<uint32_t> select_by_image(std::span<const ProcessRecord> snapshot,
                                      std::string_view image_path);
// Ids of the processes whose executable file name equals `name` (case-insensitively).
std::vector<uint32_t> select_by_name(std::span<const ProcessRecord> snapshot,
                                     std::string_view name);

// The grace period the Prepare step gives a running application before terminating it.
inline constexpr std::chrono::milliseconds GRACE_POLL_INTERVAL{150};
std::chrono::seconds grace_limit(bool update_in_place);
// Counted in whole seconds: the period is over once floor(elapsed) reaches the limit.
bool grace_expired(std::chrono::steady_clock::duration elapsed, bool update_in_place);

// The application paths to wait for, in order: the install directory's verilune.exe, then the
// previous main binary when it is a plain file name other than verilune.exe.
std::vector<std::string> application_paths(std::string_view install_dir,
                                           const std::optional<std::string>& previous_main_binary);

}  // namespace vl
