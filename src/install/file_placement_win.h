#pragma once
// Placing payload entries in the install directory: each file is written under its name with
// ".vl-new" appended and, once the payload's data is verified, renamed over its target (all
// after the stream's end: one block may hold them all); a target in use is moved aside to
// ".vl-old<N>" first. Afterwards, files of the previous installation that this payload no
// longer ships are removed with their emptied folders. Every entry is reached through the held
// install folder (install_folder_win.h), by names relative to the folders above it.
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_folder_win.h"
#include "install/install_job.h"
#include "install/side_files.h"
#include "payload/copy_entries.h"
#include "sys/result.h"
#include "sys/unique_handle_win.h"

namespace vl {

inline constexpr unsigned REPLACE_RETRY_MS = 250;

inline constexpr std::string_view TEXT_WRITE_FAILED = "«{}» файлыг бичиж чадсангүй.\n{}";
inline constexpr std::string_view TEXT_FILE_IN_USE =
    "«{}» файлыг өөр програм ашиглаж байна. Компьютерээ дахин асаагаад оролдоно уу.";

// Deletes the file `name` (an entry name) below the install folder, never through a link.
// When it is in use (open elsewhere without delete sharing, or a running program's image) and
// the folder allows it, its deletion is scheduled for the next restart; otherwise it stays.
// Every error is ignored.
void delete_now_or_at_reboot(InstallFolder& folder, std::string_view name);

// The same by path, for the uninstaller, which holds no folder: a link planted under the name is
// removed itself, never followed. Scheduled only when the file is in use and this process is
// elevated (the uninstaller removes an all-users installation only elevated).
void delete_now_or_at_reboot(std::string_view path);
// Removes the folders above a removed file that are now empty, from its parent upwards, up to
// but not including `install_dir`; stops at the first that cannot be removed.
void remove_emptied_folders(std::string_view install_dir, std::string_view file);

// Removes the folders above the removed entry `name` that are now empty, from its parent
// upwards, never the install folder itself; stops at the first that cannot be removed.
void remove_emptied_folders(InstallFolder& folder, std::string_view name);

// Renames the entry `new_name` over `target` (both entry names in one folder), moving an in-use
// target aside first; a bounded number of attempts. When every attempt fails the new file is
// deleted, a target this call moved aside is put back under its name, and the failure names the
// target's file name.
Status replace_file(InstallFolder& folder, std::string_view new_name, std::string_view target);

// Writes entries into "<target>.vl-new" below the install folder (flushed and closed by close);
// commit renames one over its target with replace_file, drop deletes it. `before_commits` runs
// once, after every entry is written and verified and before the first rename; its failure
// commits nothing.
class FilePlacer final : public EntryWriter {
 public:
  explicit FilePlacer(InstallFolder& folder, std::function<Status()> before_commits = {});
  Status begin(const PayloadEntry& entry) override;
  Status write(std::span<const uint8_t> chunk) override;
  Status close() override;
  void discard() override;
  Status before_commits() override;
  Status commit(std::string_view name) override;
  void drop(std::string_view name) override;
  // Another placer below the same folder, for one more entry written beside this one.
  std::unique_ptr<EntryWriter> another() override;
  // A positional write into the new file (the handle's own position is not used).
  Status write_at(uint64_t offset, std::span<const uint8_t> chunk) override;

 private:
  // Whatever an earlier run left under the new file's name, removed without following it.
  Status remove_leftover();

  InstallFolder& folder_;
  std::function<Status()> before_commits_;
  std::string target_;  // the entry's full path, for texts
  UniqueHandle file_;   // the new file while it is written
  HANDLE parent_ = nullptr;  // held by folder_
  std::wstring new_leaf_;
};

// The clean-up after the last entry. Names that are not valid entry names are skipped (not
// deleted); a name placed by this run is never deleted.
void remove_previous_main_binary(const InstallJob& job, InstallFolder& folder,
                                 std::span<const std::string> installed_files);
void remove_stale_files(InstallFolder& folder, std::span<const std::string> previous_files,
                        std::span<const std::string> installed_files);

// In a folder that holds others' files (InstallFolder::holds_others_files), removes every
// entry below it that is neither placed by this run nor on the previous file list (a link
// itself, never what it leads to), with the folders that end up empty. The predecessor client's
// folder is left to its own uninstaller.
void remove_others_files(InstallFolder& folder, std::span<const std::string> previous_files,
                         std::span<const std::string> installed_files);

// The body of step CopyFiles: every entry written, and once the payload's data is verified and
// `before_commits` has succeeded, placed in payload order (its name appended to installed_files
// once placed), then the previous main binary, the stale files and others' files removed.
Status copy_payload_files(const InstallJob& job, InstallFolder& folder, const Payload& payload,
                          StepProgress& progress, std::vector<std::string>& installed_files,
                          std::function<Status()> before_commits = {});

}  // namespace vl
