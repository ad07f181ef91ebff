#include "install/install_folder_win.h"

#include <shlobj.h>

#include <optional>
#include <vector>

#include "install/folder_protection.h"
#include "install/folder_protection_win.h"
#include "sys/elevation_win.h"
#include "sys/folders_win.h"
#include "sys/no_follow_win.h"
#include "sys/paths.h"
#include "sys/registry_win.h"
#include "sys/relative_files_win.h"
#include "sys/security_win.h"
#include "sys/text.h"
#include "sys/text_win.h"

namespace vl {

namespace {

bool is_folder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates `folder` after its parent, each new one with `security` (null: inherited); returns
// the error code of the call that failed.
DWORD create_folder_chain(const std::string& folder, SECURITY_ATTRIBUTES* security) {
  std::wstring wide = to_wide(folder);
  if (is_folder(wide)) return ERROR_SUCCESS;
  std::string parent = parent_folder(folder);
  if (!parent.empty() && parent != folder) {
    if (DWORD error = create_folder_chain(parent, security); error != ERROR_SUCCESS) return error;
  }
  if (CreateDirectoryW(wide.c_str(), security)) return ERROR_SUCCESS;
  DWORD error = GetLastError();
  // Another process may have made it in between; a file of that name is still a failure.
  if (error == ERROR_ALREADY_EXISTS && is_folder(wide)) return ERROR_SUCCESS;
  return error;
}

bool is_folder_path(const std::string& path) { return is_folder(to_wide(path)); }

// Listing, passing through and deleting it; held without delete sharing.
constexpr ACCESS_MASK HELD_FOLDER_ACCESS = FILE_LIST_DIRECTORY | FILE_TRAVERSE | DELETE;

Failure refused(std::string_view folder, std::string_view reason) {
  return fail(format_text(TEXT_FOLDER_REFUSED, {folder, reason}));
}

Failure not_created(std::string_view folder, DWORD error) {
  return fail(format_text(TEXT_FOLDER_FAILED, {folder, system_message(error)}));
}

std::vector<std::string> known_folders(std::initializer_list<const GUID*> ids) {
  std::vector<std::string> folders;
  for (const GUID* id : ids) {
    if (std::optional<std::string> folder = known_folder_path(*id)) folders.push_back(*folder);
  }
  return folders;
}

// The volume root of a full path and the components below it.
struct SplitPath {
  std::string root;
  std::vector<std::string> parts;
};
std::optional<SplitPath> split_full_path(const std::string& full) {
  std::vector<std::string_view> parts = path_components(full);
  size_t root_parts = full.starts_with("\\\\") ? 2 : 1;
  if (parts.size() <= root_parts) return std::nullopt;
  SplitPath split;
  split.root = full.starts_with("\\\\") ? "\\\\" : "";
  for (size_t i = 0; i < root_parts; ++i) split.root += std::string(parts[i]) + "\\";
  for (size_t i = root_parts; i < parts.size(); ++i) split.parts.emplace_back(parts[i]);
  return split;
}

Result<std::unique_ptr<InstallFolder>> open_all_users_folder(const InstallJob& job,
                                                              const std::string& full) {
  std::vector<std::string> program_files =
      known_folders({&FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX64});
  // A 32-bit process on 64-bit Windows is told of no 64-bit Program Files: the machine's own
  // record of it (HKLM, the 64-bit view) names it.
  if (std::optional<std::string> native = read_reg_string(
          HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
          RegView::Bits64))
    program_files.push_back(*native);
  std::vector<std::string> trusted = program_files;
  for (std::string& folder : known_folders({&FOLDERID_Windows})) trusted.push_back(folder);
  // The profiles' folder is the user's profile's parent. (Asking for it by its own id makes
  // Wine write it into the machine's registry: a run would change what it did not install.)
  std::vector<std::string> no_install_below = known_folders({&FOLDERID_Windows});
  for (const std::string& profile : known_folders({&FOLDERID_Profile})) {
    no_install_below.push_back(profile);
    no_install_below.push_back(parent_folder(profile));
  }
  std::vector<std::string> system_folders = trusted;
  for (std::string& folder : known_folders({&FOLDERID_ProgramData})) system_folders.push_back(folder);
  for (const std::string& folder : no_install_below) system_folders.push_back(folder);

  if (is_volume_root(full)) return refused(full, REFUSAL_ROOT);
  if (is_system_folder(full, system_folders, no_install_below)) return refused(full, REFUSAL_SYSTEM);
  std::optional<SplitPath> split = split_full_path(full);
  if (!split) return refused(full, REFUSAL_ROOT);

  Result<UniqueSecurityDescriptor> protection =
      security_descriptor_from_sddl(PROTECTED_FOLDER_SDDL);
  if (!protection) return fail(format_text(TEXT_FOLDER_FAILED, {full, protection.error()}));
  PSECURITY_DESCRIPTOR new_folders =
      protects_new_folders(job.scope, full, program_files) ? protection->get() : nullptr;

  UniqueHandle current(CreateFileW(to_wide(split->root).c_str(),
                                   FILE_LIST_DIRECTORY | FILE_TRAVERSE | READ_CONTROL,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!current) return not_created(full, GetLastError());
  if (!is_trusted_ancestor(split->root, trusted) && !administrators_only(current.get()))
    return refused(full, format_text(REFUSAL_PARENT, {split->root}));
  std::string path = split->root;
  bool made_by_this_run = false;  // a folder this run created holds nobody else's
  bool others_files = false;
  for (size_t i = 0; i < split->parts.size(); ++i) {
    const bool last = i + 1 == split->parts.size();
    path = join_path(path, split->parts[i]);
    BelowOpen how;
    how.kind = EntryKind::Folder;
    how.access = last ? HELD_FOLDER_ACCESS | READ_CONTROL | WRITE_DAC | WRITE_OWNER
                      : FILE_LIST_DIRECTORY | FILE_TRAVERSE | READ_CONTROL;
    how.share = last ? FILE_SHARE_READ | FILE_SHARE_WRITE
                     : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    how.disposition = Disposition::OpenOrCreate;
    how.security = new_folders;
    BelowEntry next = open_below(current.get(), to_wide(split->parts[i]), how);
    if (!next) {
      if (next.error == ERROR_DIRECTORY) return refused(path, REFUSAL_NOT_A_FOLDER);
      return not_created(path, next.error);
    }
    if (next.is_reparse_point() || path_shows_reparse_point(path)) return refused(path, REFUSAL_LINK);
    made_by_this_run = made_by_this_run || next.created;
    if (!last && !made_by_this_run && !is_trusted_ancestor(path, trusted) &&
        !administrators_only(next.handle.get()))
      return refused(full, format_text(REFUSAL_PARENT, {path}));
    others_files = last && !made_by_this_run && !administrators_only(next.handle.get());
    if (others_files && !job.folder_is_recorded) {
      // An empty folder is made the installation's own; a file that appears in it before
      // that is done means someone else is still at work there.
      if (!folder_entries(next.handle.get()).empty() || !protect_empty_folder(next.handle.get()) ||
          !folder_entries(next.handle.get()).empty())
        return refused(full, REFUSAL_FOREIGN);
      others_files = false;  // empty, and now the installation's own
    }
    current = std::move(next.handle);
  }
  return std::make_unique<InstallFolder>(full, std::move(current), is_process_elevated(),
                                         others_files);
}

Result<std::unique_ptr<InstallFolder>> open_per_user_folder(const std::string& full) {
  if (Status created = create_folder_tree(full); !created) return created.failure();
  // The user's own folders: a link on the way is theirs to make, and is followed.
  UniqueHandle folder(CreateFileW(to_wide(full).c_str(), HELD_FOLDER_ACCESS,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return not_created(full, GetLastError());
  // A boot-time deletion is the administrators' alone, and by path: never in the user's tree.
  return std::make_unique<InstallFolder>(full, std::move(folder), false);
}

}  // namespace

Status create_folder_tree(std::string_view folder, PSECURITY_DESCRIPTOR new_folder_security) {
  std::string path(folder);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, new_folder_security, FALSE};
  SECURITY_ATTRIBUTES* security = new_folder_security ? &attributes : nullptr;
  DWORD error = path.empty() ? ERROR_PATH_NOT_FOUND : create_folder_chain(path, security);
  if (error == ERROR_SUCCESS) return Status::success();
  return fail(format_text(TEXT_FOLDER_FAILED, {folder, system_message(error)}));
}

InstallFolder::InstallFolder(std::string path, UniqueHandle root, bool may_schedule_deletes,
                             bool holds_others_files)
    : path_(std::move(path)),
      root_(std::move(root)),
      may_schedule_deletes_(may_schedule_deletes),
      holds_others_files_(holds_others_files) {}

HANDLE InstallFolder::folder(std::string_view relative, bool create, DWORD& error) {
  LockGuard guard(mutex_);
  error = ERROR_SUCCESS;
  HANDLE current = root_.get();
  std::string so_far;
  for (std::string_view part : path_components(relative)) {
    so_far = so_far.empty() ? std::string(part) : join_path(so_far, part);
    const std::string key = lower_full(so_far);
    if (auto found = held_.find(key); found != held_.end()) {
      current = found->second.get();
      continue;
    }
    BelowOpen how;
    how.kind = EntryKind::Folder;
    how.access = HELD_FOLDER_ACCESS;
    how.disposition = create ? Disposition::OpenOrCreate : Disposition::OpenExisting;
    BelowEntry next = open_below(current, to_wide(part), how);
    if (!next) {
      error = next.error;
      return nullptr;
    }
    if (next.is_reparse_point() || path_shows_reparse_point(join_path(path_, so_far))) {
      error = ERROR_CANT_ACCESS_FILE;
      return nullptr;
    }
    current = next.handle.get();
    held_.emplace(key, std::move(next.handle));
  }
  return current;
}

void InstallFolder::release(std::string_view relative) {
  LockGuard guard(mutex_);
  const std::string key = lower_full(relative);
  for (auto it = held_.begin(); it != held_.end();) {
    const bool below = it->first == key || (it->first.size() > key.size() &&
                                            it->first.compare(0, key.size(), key) == 0 &&
                                            it->first[key.size()] == '\\');
    it = below ? held_.erase(it) : std::next(it);
  }
}

Status check_free_space(std::string_view install_dir, uint64_t payload_size) {
  std::string folder = absolute_path(std::string(install_dir));
  while (!folder.empty() && !is_folder_path(folder)) {
    std::string up = parent_folder(folder);
    if (up == folder) break;
    folder = std::move(up);
  }
  ULARGE_INTEGER free_to_caller{};
  if (folder.empty() ||
      !GetDiskFreeSpaceExW(to_wide(folder).c_str(), &free_to_caller, nullptr, nullptr))
    return Status::success();
  const uint64_t needed = payload_size + FREE_SPACE_MARGIN;
  if (free_to_caller.QuadPart >= needed) return Status::success();
  constexpr uint64_t MB = 1u << 20;
  return fail(format_text(TEXT_NO_ROOM, {install_dir, std::to_string((needed + MB - 1) / MB),
                                         std::to_string(free_to_caller.QuadPart / MB)}));
}

Result<std::unique_ptr<InstallFolder>> open_install_folder(const InstallJob& job) {
  const std::string full = absolute_path(job.install_dir);
  if (full.empty()) return not_created(job.install_dir, ERROR_PATH_NOT_FOUND);
  if (job.scope == InstallScope::AllUsers) return open_all_users_folder(job, full);
  return open_per_user_folder(full);
}

}  // namespace vl
