#include "install/file_placement_win.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "product/product.h"
#include "sys/elevation_win.h"
#include "sys/no_follow_win.h"
#include "sys/paths.h"
#include "sys/relative_files_win.h"
#include "sys/text.h"
#include "sys/text_win.h"

namespace vl {

namespace {

std::string write_failed(std::string_view target, std::string_view reason) {
  return format_text(TEXT_WRITE_FAILED, {target, reason});
}

// An entry name's folder and leaf: "a\b\c.dll" -> "a\b", "c.dll".
std::string folder_of(std::string_view name) {
  size_t cut = name.rfind('\\');
  return cut == std::string_view::npos ? std::string() : std::string(name.substr(0, cut));
}
std::wstring leaf_of(std::string_view name) { return to_wide(file_name_of(name)); }

// The entry `leaf` in `parent` opened itself for deletion or renaming; others may go on
// reading, writing and deleting it (a running program's image stays open that way).
BelowEntry open_to_move(HANDLE parent, const std::wstring& leaf) {
  BelowOpen how;
  how.access = DELETE | FILE_WRITE_ATTRIBUTES;
  how.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  return open_below(parent, leaf, how);
}

bool delete_entry(const BelowEntry& entry) {
  return delete_through(entry.handle.get(), entry.attributes);
}

// Deletes `leaf` in `parent` (the folder `relative`); see delete_now_or_at_reboot.
void delete_below(InstallFolder& folder, HANDLE parent, std::string_view name) {
  const std::wstring leaf = leaf_of(name);
  // A link that only its path shows (see path_shows_reparse_point) is left as it is.
  if (path_shows_reparse_point(join_path(folder.path(), name))) return;
  BelowEntry file = open_to_move(parent, leaf);
  bool in_use = false;
  if (file) {
    // Only a plain file goes; a link planted under the name is removed itself, never followed.
    if (file.is_folder() && !file.is_reparse_point()) return;
    if (delete_entry(file)) return;
    in_use = !file.is_reparse_point();  // opened for deletion, but the system keeps it: in use
  } else {
    // Open elsewhere without delete sharing. Any other refusal (access denied among them) is
    // not ours to overrule at the next restart.
    in_use = file.error == ERROR_SHARING_VIOLATION;
  }
  file.handle.reset();
  if (in_use && folder.may_schedule_deletes()) {
    MoveFileExW(to_wide(join_path(folder.path(), name)).c_str(), nullptr,
                MOVEFILE_DELAY_UNTIL_REBOOT);
  }
}

// Names below install_dir, to ask of many names whether they are among them (same_path).
using NameSet = std::unordered_set<std::string>;

NameSet name_set(std::span<const std::string> names) {
  NameSet keys;
  for (const std::string& name : names) keys.insert(path_key(name));
  return keys;
}

// Whether `name` (below install_dir) is, or may be, a file this run placed.
bool placed_by_this_run(std::string_view name, const NameSet& installed_files) {
  return installed_files.count(path_key(name)) > 0;
}

}  // namespace

void delete_now_or_at_reboot(InstallFolder& folder, std::string_view name) {
  DWORD error = ERROR_SUCCESS;
  if (HANDLE parent = folder.folder(folder_of(name), false, error))
    delete_below(folder, parent, name);
}

void delete_now_or_at_reboot(std::string_view path) {
  std::optional<OpenedEntry> file = open_entry(path);
  bool in_use = false;
  if (file) {
    // Only a plain file goes; a link planted under the name is not followed, nor removed.
    if (!file->is_plain_file() || delete_through(*file)) return;
    in_use = true;
  } else {
    in_use = GetLastError() == ERROR_SHARING_VIOLATION;
  }
  file.reset();
  if (in_use && is_process_elevated())
    MoveFileExW(to_wide(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void remove_emptied_folders(std::string_view install_dir, std::string_view file) {
  std::string folder = parent_folder(file);
  auto is_folder = [](const std::string& path) {
    const DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  while (!folder.empty() && is_folder(folder) && !same_path(folder, install_dir) &&
         is_inside(install_dir, folder)) {
    if (!RemoveDirectoryW(to_wide(folder).c_str())) return;
    std::string up = parent_folder(folder);
    if (up == folder) return;
    folder = std::move(up);
  }
}

void remove_emptied_folders(InstallFolder& folder, std::string_view name) {
  for (std::string relative = folder_of(name); !relative.empty(); relative = folder_of(relative)) {
    DWORD error = ERROR_SUCCESS;
    HANDLE parent = folder.folder(folder_of(relative), false, error);
    if (!parent) return;
    // The run's own hold on it goes first: held without delete sharing, it could not go.
    folder.release(relative);
    BelowOpen how;
    how.kind = EntryKind::Folder;
    how.access = DELETE;
    how.share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    BelowEntry emptied = open_below(parent, leaf_of(relative), how);
    if (!emptied || emptied.is_reparse_point() || !delete_entry(emptied)) return;
  }
}

Status replace_file(InstallFolder& folder, std::string_view new_name, std::string_view target) {
  DWORD error = ERROR_SUCCESS;
  HANDLE parent = folder.folder(folder_of(target), false, error);
  if (!parent) return fail(format_text(TEXT_FILE_IN_USE, {file_name_of(target)}));
  const std::wstring new_leaf = leaf_of(new_name);
  const std::wstring target_leaf = leaf_of(target);
  // The copies this call moved aside, the original first. None is deleted before the new file
  // holds the target's name: until then the original is the only copy the application has.
  std::vector<std::string> displaced_copies;
  BelowEntry fresh = open_to_move(parent, new_leaf);
  for (int attempt = 0; fresh && !fresh.is_reparse_point() && attempt < REPLACE_ATTEMPTS;
       ++attempt) {
    if (rename_below(fresh.handle.get(), parent, target_leaf, true) == ERROR_SUCCESS) {
      fresh.handle.reset();
      for (const std::string& copy : displaced_copies) delete_below(folder, parent, copy);
      return Status::success();
    }
    // Held without delete sharing, or gone meanwhile: the next attempt may go through.
    BelowEntry old = open_to_move(parent, target_leaf);
    if (!old) {
      Sleep(REPLACE_RETRY_MS);
      continue;
    }
    std::string displaced = displaced_file_name(target, attempt);
    if (old.is_folder() ||
        rename_below(old.handle.get(), parent, leaf_of(displaced), true) != ERROR_SUCCESS) {
      old.handle.reset();
      Sleep(REPLACE_RETRY_MS);
      continue;
    }
    displaced_copies.push_back(std::move(displaced));
  }
  if (fresh) delete_entry(fresh);
  fresh.handle.reset();
  // Leave the application its old file rather than none; a later displaced copy (a file that
  // appeared under the target's name meanwhile) is not the original and goes.
  if (!displaced_copies.empty() && attributes_below(parent, target_leaf) == INVALID_FILE_ATTRIBUTES) {
    if (BelowEntry original = open_to_move(parent, leaf_of(displaced_copies.front())))
      rename_below(original.handle.get(), parent, target_leaf, false);
  }
  for (size_t i = 1; i < displaced_copies.size(); ++i)
    delete_below(folder, parent, displaced_copies[i]);
  return fail(format_text(TEXT_FILE_IN_USE, {file_name_of(target)}));
}

FilePlacer::FilePlacer(InstallFolder& folder, std::function<Status()> before_commits)
    : folder_(folder), before_commits_(std::move(before_commits)) {}

Status FilePlacer::begin(const PayloadEntry& entry) {
  file_.reset();
  target_ = join_path(folder_.path(), entry.name);
  DWORD error = ERROR_SUCCESS;
  // The entry's folders are created and held through their parents' handles: none can be a
  // junction or be swapped for one, so the file is written where it was meant.
  parent_ = folder_.folder(folder_of(entry.name), true, error);
  if (!parent_) {
    if (error == ERROR_DIRECTORY || error == ERROR_ALREADY_EXISTS)
      return fail(format_text(TEXT_FOLDER_FAILED,
                              {parent_folder(target_), system_message(ERROR_DIRECTORY)}));
    return fail(write_failed(target_, system_message(error)));
  }
  new_leaf_ = to_wide(new_file_name(file_name_of(entry.name)));
  BelowOpen how;
  how.access = GENERIC_WRITE | DELETE;
  how.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  how.disposition = Disposition::CreateNew;
  // Made afresh without following anything of that name: the create fails when anything holds
  // the name. Only then is a leftover of an earlier run looked for (each look for a name that
  // is not there costs Wine a scan of the folder, thousands of them in a large payload).
  BelowEntry created = open_below(parent_, new_leaf_, how);
  if (!created) {
    if (Status cleared = remove_leftover(); !cleared) return cleared;
    created = open_below(parent_, new_leaf_, how);
  }
  if (!created) return fail(write_failed(target_, system_message(created.error)));
  file_ = std::move(created.handle);
  return Status::success();
}

Status FilePlacer::remove_leftover() {
  // A leftover is removed as it is (a link: the link itself).
  if (BelowEntry leftover = open_to_move(parent_, new_leaf_)) {
    delete_entry(leftover);
  } else if (const DWORD found = attributes_below(parent_, new_leaf_);
             found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY)) {
    // A folder under the name: a junction goes (itself), a real folder is not ours to empty.
    BelowOpen how;
    how.kind = EntryKind::Folder;
    how.access = DELETE;
    BelowEntry folder = open_below(parent_, new_leaf_, how);
    if (!folder || !folder.is_reparse_point() || !delete_entry(folder))
      return fail(write_failed(target_, system_message(ERROR_DIRECTORY)));
  }
  return Status::success();
}

Status FilePlacer::write(std::span<const uint8_t> chunk) {
  while (!chunk.empty()) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(chunk.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file_.get(), chunk.data(), want, &written, nullptr)) {
      return fail(write_failed(target_, system_message(GetLastError())));
    }
    if (written == 0) return fail(write_failed(target_, "failed to write whole buffer"));
    chunk = chunk.subspan(written);
  }
  return Status::success();
}

std::unique_ptr<EntryWriter> FilePlacer::another() { return std::make_unique<FilePlacer>(folder_); }

Status FilePlacer::write_at(uint64_t offset, std::span<const uint8_t> chunk) {
  while (!chunk.empty()) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(chunk.size(), 1u << 30));
    DWORD written = 0;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    if (!WriteFile(file_.get(), chunk.data(), want, &written, &at)) {
      return fail(write_failed(target_, system_message(GetLastError())));
    }
    if (written == 0) return fail(write_failed(target_, "failed to write whole buffer"));
    chunk = chunk.subspan(written);
    offset += written;
  }
  return Status::success();
}

Status FilePlacer::close() {
  // A file whose last bytes never reached the disk, or whose close failed, is not placed: the
  // run fails with the write-failure text instead of reporting it installed.
  DWORD error = FlushFileBuffers(file_.get()) ? ERROR_SUCCESS : GetLastError();
  if (!CloseHandle(file_.release()) && error == ERROR_SUCCESS) error = GetLastError();
  if (error != ERROR_SUCCESS) return fail(write_failed(target_, system_message(error)));
  return Status::success();
}

void FilePlacer::discard() {
  if (file_) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(file_.get(), FileDispositionInfo, &disposition, sizeof disposition);
  }
  file_.reset();
}

Status FilePlacer::before_commits() {
  return before_commits_ ? before_commits_() : Status::success();
}

Status FilePlacer::commit(std::string_view name) {
  return replace_file(folder_, new_file_name(name), name);
}

void FilePlacer::drop(std::string_view name) {
  DWORD error = ERROR_SUCCESS;
  if (HANDLE parent = folder_.folder(folder_of(name), false, error)) {
    if (BelowEntry fresh = open_to_move(parent, to_wide(new_file_name(file_name_of(name)))))
      delete_entry(fresh);
  }
}

void remove_previous_main_binary(const InstallJob& job, InstallFolder& folder,
                                 std::span<const std::string> installed_files) {
  if (!job.previous_main_binary) return;
  const std::string& name = *job.previous_main_binary;
  if (!is_plain_file_name(name) || same_name(name, APPLICATION_FILE_NAME)) return;
  if (placed_by_this_run(name, name_set(installed_files))) return;
  delete_now_or_at_reboot(folder, name);
}

void remove_stale_files(InstallFolder& folder, std::span<const std::string> previous_files,
                        std::span<const std::string> installed_files) {
  const NameSet installed = name_set(installed_files);
  for (const std::string& name : previous_files) {
    if (!is_valid_entry_name(name)) continue;
    if (placed_by_this_run(name, installed)) continue;
    DWORD error = ERROR_SUCCESS;
    // Never through a junction on the way: the name's folders are opened through held handles.
    HANDLE parent = folder.folder(folder_of(name), false, error);
    if (!parent) continue;
    delete_below(folder, parent, name);
    remove_emptied_folders(folder, name);
  }
}

namespace {

void remove_others_below(InstallFolder& folder, const std::string& relative,
                         const NameSet& previous_files, const NameSet& installed_files) {
  DWORD error = ERROR_SUCCESS;
  HANDLE handle = folder.folder(relative, false, error);
  if (!handle) return;
  for (const FolderEntry& entry : folder_entries(handle)) {
    const std::optional<std::string> leaf = from_wide(entry.name);
    if (!leaf) continue;
    const std::string name = relative.empty() ? *leaf : join_path(relative, *leaf);
    const bool link = (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && !link) {
      // The predecessor client's own folder is its uninstaller's to remove, when asked to.
      if (!same_name(name, LEGACY_FOLDER_NAME))
        remove_others_below(folder, name, previous_files, installed_files);
      continue;
    }
    if (placed_by_this_run(name, installed_files) || placed_by_this_run(name, previous_files))
      continue;
    if (link && (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      BelowOpen how;
      how.kind = EntryKind::Folder;
      how.access = DELETE;
      if (BelowEntry junction = open_below(handle, entry.name, how); junction && junction.is_reparse_point())
        delete_entry(junction);
    } else {
      delete_below(folder, handle, name);
    }
    remove_emptied_folders(folder, name);
  }
}

}  // namespace

void remove_others_files(InstallFolder& folder, std::span<const std::string> previous_files,
                         std::span<const std::string> installed_files) {
  remove_others_below(folder, "", name_set(previous_files), name_set(installed_files));
}

Status copy_payload_files(const InstallJob& job, InstallFolder& folder, const Payload& payload,
                          StepProgress& progress, std::vector<std::string>& installed_files,
                          std::function<Status()> before_commits) {
  {
    FilePlacer placer(folder, std::move(before_commits));
    if (Status copied = copy_payload_entries(payload, placer, progress, installed_files); !copied) {
      return copied;
    }
  }
  remove_previous_main_binary(job, folder, installed_files);
  remove_stale_files(folder, job.previous_files, installed_files);
  if (folder.holds_others_files()) remove_others_files(folder, job.previous_files, installed_files);
  return Status::success();
}

}  // namespace vl
