#pragma once
// The Prepare step's wait for the installed application: a polite close request, a grace
// period (longer for an in-place update), then termination of whatever still runs.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vl {

// Ids of the processes running the executable at `image_path` (an unreadable one counts), from
// a fresh snapshot.
std::vector<uint32_t> find_processes_by_image(std::string_view image_path);
// Ids of the processes whose executable file name equals `name` (case-insensitively).
std::vector<uint32_t> find_processes_by_name(std::string_view name);

struct ApplicationWait {
  std::string image_path;
  bool found = false;          // an instance was running when the wait began
  int windows_asked = 0;       // top-level windows that were sent WM_CLOSE
  bool terminated = false;     // the grace period ran out and the survivors were terminated
  std::chrono::milliseconds waited{0};
};

// Waits for the processes running `image_path` to end, then terminates those still running.
// Without a file at `image_path` nothing can be running it, and it returns at once.
ApplicationWait wait_then_terminate(std::string_view image_path, bool update_in_place);

// The whole rule for an install directory: the application file first, then the previous main
// binary (see application_paths).
std::vector<ApplicationWait> stop_application_processes(
    std::string_view install_dir, const std::optional<std::string>& previous_main_binary,
    bool update_in_place);

}  // namespace vl
