#include "install/running_app_win.h"

#include <windows.h>

#include "install/running_app.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/processes_win.h"

namespace vl {

namespace {

// The monotonic clock of the wait. GetTickCount64 rather than std::chrono::steady_clock, whose
// mingw implementation links the C runtime's whole clock module, SetSystemTime included.
std::chrono::milliseconds monotonic_now() { return std::chrono::milliseconds(GetTickCount64()); }

}  // namespace

std::vector<uint32_t> find_processes_by_image(std::string_view image_path) {
  std::string_view name = file_name_of(image_path);
  if (name.empty()) return {};
  return select_by_image(snapshot_processes(name), image_path);
}

std::vector<uint32_t> find_processes_by_name(std::string_view name) {
  return select_by_name(snapshot_processes({}), name);
}

ApplicationWait wait_then_terminate(std::string_view image_path, bool update_in_place) {
  ApplicationWait wait{std::string(image_path)};
  const std::chrono::milliseconds start = monotonic_now();
  auto finish = [&] {
    wait.waited = monotonic_now() - start;
    return wait;
  };

  // A running program's file cannot be deleted, so without the file nothing runs it (a fresh
  // install's folder holds none yet): no snapshot, and no unreadable process elsewhere is
  // taken for the application.
  if (!path_exists(image_path)) return finish();
  std::vector<uint32_t> running = find_processes_by_image(image_path);
  if (running.empty()) return finish();
  wait.found = true;
  // A tray application that handles WM_CLOSE saves its state and exits by itself. Posting does
  // not wait for the windows, so the grace period is not lengthened.
  wait.windows_asked = request_close(running);
  for (;;) {
    if (grace_expired(monotonic_now() - start, update_in_place)) {
      running = find_processes_by_image(image_path);
      wait.terminated = !running.empty();
      terminate_processes(running);
      return finish();
    }
    Sleep(static_cast<DWORD>(GRACE_POLL_INTERVAL.count()));
    if (find_processes_by_image(image_path).empty()) return finish();
  }
}

std::vector<ApplicationWait> stop_application_processes(
    std::string_view install_dir, const std::optional<std::string>& previous_main_binary,
    bool update_in_place) {
  std::vector<ApplicationWait> waits;
  for (const std::string& path : application_paths(install_dir, previous_main_binary))
    waits.push_back(wait_then_terminate(path, update_in_place));
  return waits;
}

}  // namespace vl
