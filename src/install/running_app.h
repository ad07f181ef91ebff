#pragma once
// The portable half of the wait for the running application: which processes of a snapshot
// count as a given program, the grace period, and which application paths are waited for.
// The snapshot itself is taken in sys/processes_win; the wait runs in running_app_win.
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sys/processes.h"

namespace vl {

// Ids of the processes running `image_path`. A process with the same file name whose path could
// not be read counts as a match: a protected instance, or one of another user, is assumed to be
// the application.
std::vector<uint32_t> select_by_image(std::span<const ProcessRecord> snapshot,
                                      std::string_view image_path);
// Ids of the processes whose executable file name equals `name` (case-insensitively).
std::vector<uint32_t> select_by_name(std::span<const ProcessRecord> snapshot,
                                     std::string_view name);

// The grace period the Prepare step gives a running application before terminating it: longer
// for an in-place update, polled at a fixed interval.
inline constexpr std::chrono::milliseconds GRACE_POLL_INTERVAL{150};
std::chrono::seconds grace_limit(bool update_in_place);
// Counted in whole seconds: the period is over once floor(elapsed) reaches the limit.
bool grace_expired(std::chrono::steady_clock::duration elapsed, bool update_in_place);

// The application paths to wait for, in order: the install directory's application file, then
// the previous main binary when it is a plain file name other than the application's.
std::vector<std::string> application_paths(std::string_view install_dir,
                                           const std::optional<std::string>& previous_main_binary);

}  // namespace vl
