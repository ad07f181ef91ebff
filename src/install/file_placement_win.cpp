#include "install/file_placement_win.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "install/folder_protection.h"
#include "product/product.h"
#include "sys/folders_win.h"
#include "sys/no_follow_win.h"
#include "sys/paths.h"
#include "sys/security_win.h"
#include "sys/text.h"
#include "sys/text_win.h"

namespace vl {

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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

std::string write_failed(std::string_view target, std::string_view reason) {
  return format_text(TEXT_WRITE_FAILED, {target, reason});
}

// Whether `name` (below install_dir) is, or may be, a file this run placed.
bool placed_by_this_run(std::string_view install_dir, std::string_view name,
                        std::span<const std::string> installed_files) {
  std::string path = join_path(install_dir, name);
  for (const std::string& placed : installed_files) {
    if (same_name(placed, name) || same_path(join_path(install_dir, placed), path)) return true;
  }
  return false;
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

Status create_install_folder(const InstallJob& job) {
  std::vector<std::string> program_files;
  for (REFKNOWNFOLDERID id :
       {FOLDERID_ProgramFilesX86, FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX64}) {
    if (std::optional<std::string> folder = known_folder_path(id)) program_files.push_back(*folder);
  }
  if (!protects_new_folders(job.scope, absolute_path(job.install_dir), program_files)) {
    return create_folder_tree(job.install_dir);
  }
  Result<UniqueSecurityDescriptor> protection =
      security_descriptor_from_sddl(PROTECTED_FOLDER_SDDL);
  if (!protection) {
    return fail(format_text(TEXT_FOLDER_FAILED, {job.install_dir, protection.error()}));
  }
  return create_folder_tree(job.install_dir, protection->get());
}

void remove_emptied_folders(std::string_view install_dir, std::string_view file) {
  std::string folder = parent_folder(file);
  while (!folder.empty() && is_folder(to_wide(folder)) && !same_path(folder, install_dir) &&
         is_inside(install_dir, folder)) {
    if (!RemoveDirectoryW(to_wide(folder).c_str())) return;
    std::string up = parent_folder(folder);
    if (up == folder) return;
    folder = std::move(up);
  }
}

void delete_now_or_at_reboot(std::string_view path) {
  std::optional<OpenedEntry> file = open_entry(path);
  if (file) {
    // Only a plain file goes; a link planted under the name is not followed, nor removed.
    if (!file->is_plain_file() || delete_through(*file)) return;
  } else {
    // Held open without delete sharing: only the file's name is left to judge by.
    DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
      return;
  }
  file.reset();
  MoveFileExW(to_wide(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

Status replace_file(std::string_view new_file, std::string_view target) {
  std::wstring wide_new = to_wide(new_file);
  std::wstring wide_target = to_wide(target);
  // The copies this call moved aside, the original first. None is deleted before the new file
  // holds the target's name: until then the original is the only copy the application has.
  std::vector<std::wstring> displaced_copies;
  for (int attempt = 0; attempt < REPLACE_ATTEMPTS; ++attempt) {
    if (MoveFileExW(wide_new.c_str(), wide_target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      for (const std::wstring& copy : displaced_copies) {
        if (std::optional<std::string> utf8 = from_wide(copy)) delete_now_or_at_reboot(*utf8);
      }
      return Status::success();
    }
    if (!exists(wide_target)) {
      Sleep(REPLACE_RETRY_MS);
      continue;
    }
    std::wstring displaced = to_wide(displaced_file_name(target, attempt));
    if (exists(displaced)) DeleteFileW(displaced.c_str());
    if (!MoveFileExW(wide_target.c_str(), displaced.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      Sleep(REPLACE_RETRY_MS);
      continue;
    }
    displaced_copies.push_back(std::move(displaced));
  }
  DeleteFileW(wide_new.c_str());
  // Leave the application its old file rather than none; a later displaced copy (a file that
  // appeared under the target's name meanwhile) is not the original and goes.
  if (!displaced_copies.empty() && !exists(wide_target)) {
    MoveFileExW(displaced_copies.front().c_str(), wide_target.c_str(), 0);
  }
  for (size_t i = 1; i < displaced_copies.size(); ++i) {
    if (std::optional<std::string> utf8 = from_wide(displaced_copies[i]))
      delete_now_or_at_reboot(*utf8);
  }
  return fail(format_text(TEXT_FILE_IN_USE, {file_name_of(target)}));
}

FilePlacer::FilePlacer(std::string install_dir) : install_dir_(std::move(install_dir)) {}

Status FilePlacer::begin(const PayloadEntry& entry) {
  file_.reset();
  target_ = join_path(install_dir_, entry.name);
  new_file_ = new_file_name(target_);
  std::string folder = parent_folder(target_);
  if (!folder.empty()) {
    if (Status created = create_folder_tree(folder); !created) return created;
  }
  // The entry's folders below the install folder are held open while the new file is made, so
  // that none can be a junction or be swapped for one: the file is written where it was meant.
  std::optional<std::vector<OpenedEntry>> folders =
      hold_folders(install_dir_, parent_folder(std::string_view(entry.name)));
  if (!folders) return fail(write_failed(target_, system_message(ERROR_CANT_ACCESS_FILE)));
  // A leftover of an earlier run is removed as it is (a link: the link itself), then the new
  // file is made afresh without following anything of that name.
  // (Its handle is closed before the new file is made: until then the deletion is pending.)
  if (std::optional<OpenedEntry> leftover = open_entry(new_file_)) {
    if (leftover->is_folder() && !leftover->is_reparse_point())
      return fail(write_failed(target_, system_message(ERROR_DIRECTORY)));
    if (leftover->is_reparse_point()) {
      leftover.reset();
      DeleteFileW(to_wide(new_file_).c_str());
    } else {
      delete_through(*leftover);
    }
  }
  file_.reset(CreateFileW(to_wide(new_file_).c_str(), GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                          nullptr));
  if (!file_) return fail(write_failed(target_, system_message(GetLastError())));
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

std::unique_ptr<EntryWriter> FilePlacer::another() {
  return std::make_unique<FilePlacer>(install_dir_);
}

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
  file_.reset();
  DeleteFileW(to_wide(new_file_).c_str());
}

Status FilePlacer::commit(std::string_view name) {
  std::string target = join_path(install_dir_, name);
  return replace_file(new_file_name(target), target);
}

void FilePlacer::drop(std::string_view name) {
  DeleteFileW(to_wide(new_file_name(join_path(install_dir_, name))).c_str());
}

void remove_previous_main_binary(const InstallJob& job, std::span<const std::string> installed_files) {
  if (!job.previous_main_binary) return;
  const std::string& name = *job.previous_main_binary;
  if (!is_plain_file_name(name) || same_name(name, APPLICATION_FILE_NAME)) return;
  if (placed_by_this_run(job.install_dir, name, installed_files)) return;
  delete_now_or_at_reboot(join_path(job.install_dir, name));
}

void remove_stale_files(std::string_view install_dir, std::span<const std::string> previous_files,
                        std::span<const std::string> installed_files) {
  for (const std::string& name : previous_files) {
    if (!is_valid_entry_name(name)) continue;
    if (placed_by_this_run(install_dir, name, installed_files)) continue;
    std::string path = join_path(install_dir, name);
    {
      // Never through a junction on the way: the name's folders are held, checked, meanwhile.
      std::optional<std::vector<OpenedEntry>> folders =
          hold_folders(install_dir, parent_folder(std::string_view(name)));
      if (!folders) continue;
      delete_now_or_at_reboot(path);
    }
    remove_emptied_folders(install_dir, path);
  }
}

Status copy_payload_files(const InstallJob& job, const Payload& payload, StepProgress& progress,
                          std::vector<std::string>& installed_files) {
  {
    FilePlacer placer(job.install_dir);
    if (Status copied = copy_payload_entries(payload, placer, progress, installed_files); !copied) {
      return copied;
    }
  }
  remove_previous_main_binary(job, installed_files);
  remove_stale_files(job.install_dir, job.previous_files, installed_files);
  return Status::success();
}

}  // namespace vl
