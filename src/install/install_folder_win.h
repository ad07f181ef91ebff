#pragma once
// The install folder, opened once in step Prepare and held until the run ends. Everything the
// run writes, renames or deletes below it is opened through the handles of the folders above
// it, one name at a time, never again by a path and never through a reparse point: a folder on
// the way that someone swaps for a junction meanwhile cannot lead the run anywhere else. Held
// folders are opened without delete sharing, so nobody renames or removes them during the run.
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "install/install_job.h"
#include "sys/result.h"
#include "sys/threads.h"
#include "sys/unique_handle_win.h"

namespace vl {

inline constexpr std::string_view TEXT_FOLDER_FAILED = "«{}» хавтсыг үүсгэж чадсангүй.\n{}";

// Creates a folder and its missing ancestors by path; the failure text names the folder. The
// folders it creates get `new_folder_security`, or inherit their parent's when it is null;
// folders that exist are left as they are. (A per-user folder, the user's own.)
Status create_folder_tree(std::string_view folder,
                          PSECURITY_DESCRIPTOR new_folder_security = nullptr);

class InstallFolder {
 public:
  // `may_schedule_deletes`: the folder is one only administrators can change and this process
  // is elevated, so a file that is in use may be left to a deletion at the next restart
  // (carried out by path, as SYSTEM). Anywhere else that deletion could be aimed elsewhere.
  InstallFolder(std::string path, UniqueHandle root, bool may_schedule_deletes,
                bool holds_others_files = false);
  InstallFolder(const InstallFolder&) = delete;
  InstallFolder& operator=(const InstallFolder&) = delete;

  // The folder's full path, for texts and for the boot-time deletions.
  const std::string& path() const { return path_; }
  bool may_schedule_deletes() const { return may_schedule_deletes_; }
  // An all-users run took over a recorded folder that others could change: whatever in it is
  // neither placed by the run nor on the previous file list may be theirs, and goes.
  bool holds_others_files() const { return holds_others_files_; }

  // The folder `relative` below the install folder (backslash-separated; empty: the install
  // folder itself), each part opened through its parent's handle and held from then on; with
  // `create`, missing parts are created (inheriting). Null with `error` set when a part is
  // missing, is not a folder or is a reparse point. Safe to call from several threads.
  HANDLE folder(std::string_view relative, bool create, DWORD& error);
  // Closes the held handle of `relative` and of the folders below it, so that it can go.
  void release(std::string_view relative);

 private:
  std::string path_;
  UniqueHandle root_;
  bool may_schedule_deletes_;
  bool holds_others_files_;
  Mutex mutex_;
  std::map<std::string, UniqueHandle> held_;  // by lower-cased relative path
};

// Step Prepare's folder: creates `job.install_dir` with its missing ancestors (protected as
// folder_protection.h decides) and opens it for the run.
// An all-users job walks the path from its volume's root, one folder at a time through the
// handle of the one above, and refuses (TEXT_FOLDER_REFUSED, before anything is written) a
// drive root, a system or profile folder, a file, a reparse point on the way, a folder above
// that a non-administrator can change (the system's own folders are taken on trust), and an
// existing folder that is neither the job's recorded one, nor empty, nor one only
// administrators can change. An empty existing folder gets PROTECTED_FOLDER_SDDL and
// Administrators as owner. A per-user job creates the folder by path and holds it.
Result<std::unique_ptr<InstallFolder>> open_install_folder(const InstallJob& job);

// Room for the payload beside what the folder holds now (the new files are written before the
// old ones go), with a margin for the registry, the links and the file system's own records.
inline constexpr uint64_t FREE_SPACE_MARGIN = 16u << 20;
inline constexpr std::string_view TEXT_NO_ROOM =
    "«{}» хавтас байгаа дискэнд хангалттай зай алга: {} МБ хэрэгтэй, {} МБ сул байна.";

// Whether the volume of `install_dir` (or of its nearest existing ancestor) has
// `payload_size` + FREE_SPACE_MARGIN bytes free for this process; a volume whose free space
// cannot be read is given the benefit of the doubt.
Status check_free_space(std::string_view install_dir, uint64_t payload_size);

}  // namespace vl
