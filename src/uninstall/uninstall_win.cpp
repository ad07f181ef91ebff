#include "uninstall/uninstall_win.h"

#include <windows.h>

#include "install/file_placement_win.h"
#include "install/registration.h"
#include "install/running_app_win.h"
#include "install/shortcuts_win.h"
#include "install/webview2_win.h"
#include "product/scope_hive_win.h"
#include "sys/elevation_win.h"
#include "sys/file_trust_win.h"
#include "sys/message_box_win.h"
#include "sys/no_follow_win.h"
#include "sys/own_copy_win.h"
#include "sys/paths.h"
#include "sys/private_folder_win.h"
#include "sys/processes_win.h"
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

// A file in use (a token module loaded by another program) goes at the next restart where this
// process may schedule that (an administrator's); otherwise it stays, and the log says so.
void remove_file(const std::string& path, InstallLog& log) {
  std::optional<OpenedEntry> file = open_entry(path);
  // Only a plain file goes; a link planted under the name is not followed, nor removed.
  if (file && (!file->is_plain_file() || delete_through(*file))) return;
  const std::string reason = system_message(GetLastError());
  file.reset();
  if (is_process_elevated()) {
    delete_now_or_at_reboot(path);
    log.note("removed at the next restart: " + path);
  } else {
    log.note("not removed: " + path + ": " + reason);
  }
}

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
    remove_file(path, log);
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

// Logs each file left below `folder` (a link or a junction as itself, not followed) except
// `own_path`: what the user added, which stays with its folder.
void log_kept(const std::string& folder, std::string_view own_path, InstallLog& log,
              int depth = 0) {
  WIN32_FIND_DATAW found{};
  UniqueFindHandle find(FindFirstFileExW(to_wide(join_path(folder, "*")).c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0));
  if (!find) return;
  do {
    const std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    const std::string path = join_path(folder, from_wide(name).value_or("?"));
    if (same_path(path, own_path)) continue;
    const bool descend = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && depth < 32;
    if (descend) {
      log_kept(path, own_path, log, depth + 1);
    } else {
      log.note("kept (not placed by the installer): " + path);
    }
  } while (FindNextFileW(find.get(), &found));
}

// The running uninstaller cannot delete its own file, and only an administrator may schedule a
// deletion for the next restart. So a copy of it in a folder of its own, which no one else can
// have prepared (for an elevated run one only administrators can write, as the WebView2
// download's), waits for this process to end and removes this file and the folder, when empty.
void hand_over_own_removal(std::string_view install_dir, std::string_view own_path,
                           InstallLog& log) {
  const bool elevated = is_process_elevated();
  const std::string parent = elevated ? elevated_download_parent() : temporary_folder();
  Result<std::string> folder = elevated ? create_admin_only_folder(parent, "Verilune-uninstall-")
                                        : create_private_folder(parent, "Verilune-uninstall-");
  Status started =
      folder ? start_own_copy(*folder, UNINSTALLER_FILE_NAME, removal_copy_arguments(install_dir))
             : Status(fail(folder.error()));
  if (!started) {
    if (folder) RemoveDirectoryW(to_wide(*folder).c_str());
    log.note("not removed: " + std::string(own_path) + ": " + started.error());
    return;
  }
  log.note("removed once this run has ended, by a copy in " + *folder + ": " +
           std::string(own_path) + ", then its folder when nothing else is left in it");
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
    const std::string arguments = relaunch_arguments(run.log_relay);
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

  log_kept(install_dir, run.own_path, log);
  hand_over_own_removal(install_dir, run.own_path, log);
  return {EXIT_SUCCESS_CODE, {}};
}

// Each process running `program`, opened to be waited for.
std::vector<UniqueHandle> processes_running(const std::string& program) {
  std::vector<UniqueHandle> found;
  for (const ProcessRecord& record : snapshot_processes(file_name_of(program))) {
    if (record.pid == GetCurrentProcessId() || !record.image_path ||
        !same_path(*record.image_path, program)) {
      continue;
    }
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, record.pid));
    if (process) found.push_back(std::move(process));
  }
  return found;
}

}  // namespace

void finish_uninstall(std::string_view install_dir) {
  const std::string folder(install_dir);
  // Only after an uninstall that went through: an installation made here since stays whole.
  if (!find_own_installation(folder)) {
    const std::string original = join_path(folder, UNINSTALLER_FILE_NAME);
    // The uninstaller and its elevated relaunch, both from that file; each ends soon after it
    // started this copy, and a wait that does not end leaves the file, never a hung copy.
    for (const UniqueHandle& process : processes_running(original))
      WaitForSingleObject(process.get(), 60 * 1000);
    // A process's file may stay in use for a moment after it has ended.
    for (int attempt = 0; attempt < 50; ++attempt) {
      std::optional<OpenedEntry> file = open_entry(original);
      if (!file) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND) break;
      } else if (!file->is_plain_file() || delete_through(*file)) {
        break;
      }
      Sleep(100);
    }
    RemoveDirectoryW(to_wide(folder).c_str());  // fails while the user's files are in it
  }
}

int run_uninstall(const UninstallRun& run, InstallLog& log) {
  const Outcome outcome = uninstall(run, log);
  log.finished(outcome.exit_code, outcome.failure);
  if (!outcome.failure.empty() && !run.silent) show_message_box(MESSAGE_BOX_CAPTION, outcome.failure, MB_ICONERROR);
  return outcome.exit_code;
}

}  // namespace vl
