#pragma once
// Placing payload entries in the install directory: each file is written under its name with
// ".vl-new" appended and, once the payload's data is verified, renamed over its target (all
// after the stream's end: one block may hold them all); a target in use is moved aside to
// ".vl-old<N>" first. Afterwards, files of the previous installation that this payload no
// longer ships are removed with their emptied folders.
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_job.h"
#include "install/side_files.h"
#include "payload/copy_entries.h"
#include "sys/result.h"
#include "sys/unique_handle_win.h"

namespace vl {

inline constexpr unsigned REPLACE_RETRY_MS = 250;

inline constexpr std::string_view TEXT_FOLDER_FAILED = "«{}» хавтсыг үүсгэж чадсангүй.\n{}";
inline constexpr std::string_view TEXT_WRITE_FAILED = "«{}» файлыг бичиж чадсангүй.\n{}";
inline constexpr std::string_view TEXT_FILE_IN_USE =
    "«{}» файлыг өөр програм ашиглаж байна. Компьютерээ дахин асаагаад оролдоно уу.";

// Creates a folder and its missing ancestors; the failure text names the folder. The folders
// it creates get `new_folder_security`, or inherit their parent's when it is null; folders
// that exist are left as they are.
Status create_folder_tree(std::string_view folder,
                          PSECURITY_DESCRIPTOR new_folder_security = nullptr);

// Step Prepare's folder: `job.install_dir` and its missing ancestors, created with the
// protection folder_protection.h decides for the job (an all-users folder outside Program
// Files is protected; any other inherits).
Status create_install_folder(const InstallJob& job);

// Deletes a file; when that fails and the file is still there, schedules its deletion for the
// next restart. Every error is ignored.
void delete_now_or_at_reboot(std::string_view path);

// Removes the folders above a removed file that are now empty, from its parent upwards, up to
// but not including `install_dir`; stops at the first that cannot be removed.
void remove_emptied_folders(std::string_view install_dir, std::string_view file);

// Renames `new_file` over `target`, moving an in-use target aside first; a bounded number of
// attempts.
// When every attempt fails the new file is deleted, a target this call moved aside is put
// back under its name, and the failure names the target's file name.
Status replace_file(std::string_view new_file, std::string_view target);

// Writes entries below `install_dir` into "<target>.vl-new" (flushed and closed by close);
// commit renames one over its target with replace_file, drop deletes it.
class FilePlacer final : public EntryWriter {
 public:
  explicit FilePlacer(std::string install_dir);
  Status begin(const PayloadEntry& entry) override;
  Status write(std::span<const uint8_t> chunk) override;
  Status close() override;
  void discard() override;
  Status commit(std::string_view name) override;
  void drop(std::string_view name) override;
  // Another placer below the same folder, for one more entry written beside this one.
  std::unique_ptr<EntryWriter> another() override;
  // A positional write into the new file (the handle's own position is not used).
  Status write_at(uint64_t offset, std::span<const uint8_t> chunk) override;

 private:
  std::string install_dir_;
  std::string target_;
  std::string new_file_;
  UniqueHandle file_;  // the new file while it is written
};

// The clean-up after the last entry. Names that are not valid entry names are skipped (not
// deleted); a name placed by this run is never deleted.
void remove_previous_main_binary(const InstallJob& job, std::span<const std::string> installed_files);
void remove_stale_files(std::string_view install_dir, std::span<const std::string> previous_files,
                        std::span<const std::string> installed_files);

// The body of step CopyFiles: every entry written, and once the payload's data is verified
// placed in payload order (its name appended to installed_files once placed), then the
// previous main binary and the stale files removed.
Status copy_payload_files(const InstallJob& job, const Payload& payload, StepProgress& progress,
                          std::vector<std::string>& installed_files);

}  // namespace vl
