#include "uninstall/uninstall_win.h"

#include <windows.h>

#include "install/file_placement_win.h"
#include "install/registration.h"
#include "install/running_app_win.h"
#include "install/shortcuts_win.h"
#include "product/scope_hive_win.h"
#include "sys/elevation_win.h"
#include "sys/message_box_win.h"
#include "sys/paths.h"
#include "sys/registry_win.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "uninstall/uninstall_rules.h"

namespace vl {
namespace {

struct Outcome {
  int exit_code = EXIT_SUCCESS_CODE;
  std::string failure;
};

// The installation whose Uninstall entry names `own_folder`: all users first (HKLM, which a
// 32-bit process reads in its 32-bit view), then the current user.
std::optional<InstallScope> find_own_installation(std::string_view own_folder) {
  std::vector<UninstallEntry> entries;
  for (InstallScope scope : {InstallScope::AllUsers, InstallScope::CurrentUser}) {
    entries.push_back({scope, read_reg_string(scope_hive(scope), UNINSTALL_KEY, VALUE_INSTALL_LOCATION)});
  }
  return installation_in(own_folder, entries);
}

bool is_link_or_mount(const std::string& path) {
  DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whether reaching `path` from `install_dir` passes through a folder that is a symbolic link
// or a junction: deleting there would delete outside the folder.
bool reached_through_link(std::string_view install_dir, std::string_view path) {
  std::string folder = parent_folder(path);
  while (!folder.empty() && !same_path(folder, install_dir) && is_inside(install_dir, folder)) {
    if (is_link_or_mount(folder)) return true;
    std::string up = parent_folder(folder);
    if (up == folder) break;
    folder = std::move(up);
  }
  return false;
}

// Files in use (a token module loaded by another program) go at the next restart.
void remove_installed_files(std::string_view install_dir, std::span<const std::string> installed,
                            std::string_view own_path, InstallLog& log) {
  const RemovalPlan plan = plan_removal(install_dir, installed, own_path);
  for (const std::string& name : plan.refused) log.note("not removed (unsafe name): " + name);
  for (const std::string& path : plan.files) {
    if (GetFileAttributesW(to_wide(path).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    if (reached_through_link(install_dir, path)) {
      log.note("not removed (reached through a link): " + path);
      continue;
    }
    delete_now_or_at_reboot(path);
    remove_emptied_folders(install_dir, path);
  }
}

void remove_links(InstallScope scope, std::string_view install_dir, InstallLog& log) {
  const ShortcutFolders folders = shortcut_folders(scope);
  for (const auto& folder : {folders.start_menu, folders.desktop}) {
    if (!folder) continue;
    const std::string link = join_path(*folder, SHORTCUT_FILE_NAME);
    const std::optional<std::string> target = read_shortcut_target(link);
    if (!target || !link_points_into(install_dir, *target)) continue;
    if (DeleteFileW(to_wide(link).c_str())) log.note("removed " + link);
  }
}

// Deletes the key, then its parent when `parent_too` and that is now empty: the publisher's
// key, or the user's Uninstall root, which the installer creates when it is missing. The
// machine's Uninstall root belongs to Windows and stays, even empty.
Status delete_key(HKEY hive, std::string_view key, bool parent_too) {
  DWORD error = delete_reg_key(hive, key);
  if (error != ERROR_SUCCESS) return fail(registry_key_failure_text(key, system_message(error)));
  const std::string parent = parent_folder(key);
  if (parent_too && reg_key_is_empty(hive, parent)) (void)delete_reg_key(hive, parent);
  return Status::success();
}

// The running executable cannot be deleted while it runs: its deletion, and then that of the
// folder when nothing else is left in it, is scheduled for the next restart.
void remove_self(std::string_view install_dir, std::string_view own_path) {
  delete_now_or_at_reboot(own_path);
  const std::wstring folder = to_wide(install_dir);
  if (RemoveDirectoryW(folder.c_str())) return;
  if (GetFileAttributesW(to_wide(own_path).c_str()) != INVALID_FILE_ATTRIBUTES)
    MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

Outcome uninstall(const UninstallRun& run, InstallLog& log) {
  const std::string install_dir = parent_folder(run.own_path);
  const std::optional<InstallScope> scope = find_own_installation(install_dir);
  if (!scope) return {EXIT_INSTALL_FAILED, format_text(TEXT_NOT_INSTALLED_HERE, {install_dir})};
  log.note(std::string("installation: ") + (*scope == InstallScope::AllUsers ? "machine" : "user") +
           " dir=\"" + install_dir + "\"");

  if (!run.silent && !run.resumed &&
      show_message_box(MESSAGE_BOX_CAPTION, TEXT_CONFIRM_UNINSTALL,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) != IDYES) {
    return {EXIT_REFUSED, {}};
  }

  if (*scope == InstallScope::AllUsers && !run.resumed && !is_process_elevated()) {
    const std::string arguments = relaunch_arguments(run.log_path);
    log.relaunching(arguments);
    const ElevationOutcome outcome = relaunch_elevated(run.own_path, arguments, nullptr);
    switch (outcome.kind) {
      // The elevated copy logged and reported its own failure.
      case ElevationOutcome::Kind::Finished: return {static_cast<int>(outcome.exit_code), {}};
      case ElevationOutcome::Kind::Declined: return {EXIT_REFUSED, std::string(TEXT_UNINSTALL_ELEVATION_DECLINED)};
      case ElevationOutcome::Kind::Failed: return {EXIT_INSTALL_FAILED, outcome.message};
    }
  }

  const HKEY hive = scope_hive(*scope);
  const std::optional<std::string> main_binary = read_reg_string(hive, UNINSTALL_KEY, VALUE_MAIN_BINARY);
  for (const ApplicationWait& wait : stop_application_processes(install_dir, main_binary, false)) {
    if (wait.found)
      log.note("closed " + wait.image_path + (wait.terminated ? " (terminated)" : ""));
  }

  // The file list is read before the entry goes; the entry goes before any file, so that a
  // registry that refuses leaves the installation whole.
  const std::vector<std::string> installed =
      read_reg_multi_string(hive, UNINSTALL_KEY, VALUE_INSTALLED_FILES);
  if (Status removed = delete_key(hive, UNINSTALL_KEY, *scope == InstallScope::CurrentUser);
      !removed) return {EXIT_INSTALL_FAILED, removed.error()};

  remove_installed_files(install_dir, installed, run.own_path, log);
  remove_links(*scope, install_dir, log);

  if (Status removed = delete_key(hive, PRODUCT_KEY, true); !removed) return {EXIT_INSTALL_FAILED, removed.error()};

  remove_self(install_dir, run.own_path);
  return {EXIT_SUCCESS_CODE, {}};
}

}  // namespace

int run_uninstall(const UninstallRun& run, InstallLog& log) {
  const Outcome outcome = uninstall(run, log);
  log.finished(outcome.exit_code, outcome.failure);
  if (!outcome.failure.empty() && !run.silent) show_message_box(MESSAGE_BOX_CAPTION, outcome.failure, MB_ICONERROR);
  return outcome.exit_code;
}

}  // namespace vl
