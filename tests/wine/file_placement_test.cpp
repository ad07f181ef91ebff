#include <gtest/gtest.h>
#include <windows.h>

#include "install/file_placement_win.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"

namespace vl {
namespace {

using namespace wine_test;

std::string in_use_text(std::string_view name) { return format_text(TEXT_FILE_IN_USE, {name}); }

// `dir` held as a run holds its install folder; boot-time deletions allowed unless told not to
// (an elevated all-users run's folder).
std::unique_ptr<InstallFolder> held_folder(const std::string& dir, bool may_schedule = true) {
  UniqueHandle root(CreateFileW(to_wide(dir).c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return std::make_unique<InstallFolder>(dir, std::move(root), may_schedule);
}

// The calls by path, through the folder of `target` (or `dir`) held for the call.
Status replace_file(const std::string& new_file, const std::string& target) {
  return replace_file(*held_folder(parent_folder(target)), file_name_of(new_file),
                      file_name_of(target));
}
void remove_stale_files(const std::string& dir, std::span<const std::string> previous,
                        std::span<const std::string> installed) {
  remove_stale_files(*held_folder(dir), previous, installed);
}
void remove_previous_main_binary(const InstallJob& job, std::span<const std::string> installed) {
  remove_previous_main_binary(job, *held_folder(job.install_dir), installed);
}

TEST(ReplaceOrDisplace, FreeTargetIsReplacedDirectly) {
  TempFolder dir;
  std::string target = dir / "eToken.dll";
  ASSERT_TRUE(write_file(target, "old"));
  ASSERT_TRUE(write_file(target + ".vl-new", "new"));
  ASSERT_TRUE(replace_file(target + ".vl-new", target).ok());
  EXPECT_EQ(read_file(target), "new");
  EXPECT_FALSE(path_exists(target + ".vl-new"));
  EXPECT_FALSE(path_exists(target + ".vl-old0"));
}

TEST(ReplaceOrDisplace, TargetHeldWithDeleteSharingIsMovedAsideAndRemoved) {
  TempFolder dir;
  std::string target = dir / "verilune.exe";
  ASSERT_TRUE(write_file(target, "old"));
  ASSERT_TRUE(write_file(target + ".vl-new", "new"));
  UniqueHandle held = hold(target, FILE_SHARE_READ | FILE_SHARE_DELETE);
  ASSERT_TRUE(held.valid());

  ASSERT_TRUE(replace_file(target + ".vl-new", target).ok());
  EXPECT_EQ(read_file(target), "new");
  EXPECT_FALSE(path_exists(target + ".vl-new"));
  EXPECT_EQ(read_handle(held.get()), "old");  // the holder still reads its own, old file
  // The displaced copy is deleted: with delete sharing the deletion is accepted at once and
  // completes when the holder lets go.
  std::string displaced = target + ".vl-old0";
  EXPECT_TRUE(path_exists(displaced));
  held.reset();
  EXPECT_FALSE(path_exists(displaced));
}

TEST(ReplaceOrDisplace, TargetHeldWithoutDeleteSharingFailsAfterEveryAttemptAndKeepsTheOldFile) {
  TempFolder dir;
  std::string target = dir / "eps2003csp11.dll";
  ASSERT_TRUE(write_file(target, "old"));
  ASSERT_TRUE(write_file(target + ".vl-new", "new"));
  UniqueHandle held = hold(target, FILE_SHARE_READ);
  ASSERT_TRUE(held.valid());

  DWORD start = GetTickCount();
  Status replaced = replace_file(target + ".vl-new", target);
  DWORD elapsed = GetTickCount() - start;
  ASSERT_FALSE(replaced.ok());
  EXPECT_EQ(replaced.error(), in_use_text("eps2003csp11.dll"));
  EXPECT_FALSE(path_exists(target + ".vl-new"));
  held.reset();
  EXPECT_EQ(read_file(target), "old");
  for (int n = 0; n < REPLACE_ATTEMPTS; ++n) EXPECT_FALSE(path_exists(target + ".vl-old" + std::to_string(n)));
  std::printf("[ info ] 12 attempts on a locked file took %lu ms\n", static_cast<unsigned long>(elapsed));
}

// A running program: its image can be renamed but neither replaced nor deleted.
class RunningCopy {
 public:
  explicit RunningCopy(const std::string& exe) {
    std::wstring command = L"\"" + to_wide(exe) + L"\" 20000";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
      process_.reset(info.hProcess);
      CloseHandle(info.hThread);
      WaitForInputIdle(process_.get(), 2000);
      Sleep(300);
    }
  }
  ~RunningCopy() { stop(); }
  bool running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  void stop() {
    if (!process_) return;
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
    process_.reset();
  }

 private:
  UniqueHandle process_;
};

bool copy_file(const std::string& from, const std::string& to) {
  return CopyFileW(to_wide(from).c_str(), to_wide(to).c_str(), FALSE);
}

TEST(ReplaceOrDisplace, RunningExecutableIsMovedAsideAndScheduledForDeletion) {
  TempFolder dir;
  std::string target = dir / "verilune.exe";
  ASSERT_TRUE(copy_file(test_program_dir() + "\\idle_app.exe", target));
  RunningCopy app(target);
  ASSERT_TRUE(app.running());
  ASSERT_TRUE(write_file(target + ".vl-new", "new"));

  ASSERT_TRUE(replace_file(target + ".vl-new", target).ok());
  EXPECT_EQ(read_file(target), "new");
  EXPECT_FALSE(path_exists(target + ".vl-new"));
  ASSERT_TRUE(path_exists(target + ".vl-old0"));
  EXPECT_TRUE(is_scheduled_for_deletion(target + ".vl-old0"));
  EXPECT_TRUE(app.running());
}

TEST(ReplaceOrDisplace, LoadedModuleIsMovedAside) {
  TempFolder dir;
  std::string target = dir / "eToken.dll";
  ASSERT_TRUE(copy_file(test_program_dir() + "\\idle_app.exe", target));
  UniqueModule loaded(LoadLibraryExW(to_wide(target).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(loaded.valid());
  ASSERT_TRUE(write_file(target + ".vl-new", "new"));
  ASSERT_TRUE(replace_file(target + ".vl-new", target).ok());
  EXPECT_EQ(read_file(target), "new");
  EXPECT_TRUE(path_exists(target + ".vl-old0"));
  EXPECT_TRUE(is_scheduled_for_deletion(target + ".vl-old0"));
}

TEST(ReplaceOrDisplace, DisplacedTargetIsPutBackWhenTheNewFileNeverTakesItsPlace) {
  TempFolder dir;
  std::string target = dir / "eToken.dll";
  ASSERT_TRUE(copy_file(test_program_dir() + "\\idle_app.exe", target));
  std::optional<std::string> original = read_file(target);
  UniqueModule loaded(LoadLibraryExW(to_wide(target).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(loaded.valid());
  ASSERT_TRUE(write_file(target + ".vl-new", "new"));
  UniqueHandle new_file_held = hold(target + ".vl-new", FILE_SHARE_READ);  // cannot be renamed

  Status replaced = replace_file(target + ".vl-new", target);
  ASSERT_FALSE(replaced.ok());
  EXPECT_EQ(replaced.error(), in_use_text("eToken.dll"));
  EXPECT_EQ(read_file(target), original);  // the application keeps its file
  EXPECT_FALSE(path_exists(target + ".vl-old0"));
}

// A new file that cannot be renamed (an antivirus holding it) while the old target moves aside
// freely: the moved-aside original is the only copy left, so it must survive and return.
TEST(ReplaceOrDisplace, FreeTargetMovedAsideIsPutBackWhenTheNewFileCannotBeRenamed) {
  TempFolder dir;
  std::string target = dir / "eToken.dll";
  ASSERT_TRUE(write_file(target, "old"));
  ASSERT_TRUE(write_file(target + ".vl-new", "new"));
  UniqueHandle new_file_held = hold(target + ".vl-new", FILE_SHARE_READ);

  Status replaced = replace_file(target + ".vl-new", target);
  ASSERT_FALSE(replaced.ok());
  EXPECT_EQ(replaced.error(), in_use_text("eToken.dll"));
  EXPECT_EQ(read_file(target), "old");
  EXPECT_FALSE(path_exists(target + ".vl-old0"));
}

TEST(ReplaceOrDisplace, LeftoverDisplacedFileIsDeletedAndItsNameReused) {
  TempFolder dir;
  std::string target = dir / "verilune.exe";
  ASSERT_TRUE(write_file(target, "old"));
  ASSERT_TRUE(write_file(target + ".vl-old0", "leftover"));
  ASSERT_TRUE(write_file(target + ".vl-new", "new"));
  UniqueHandle held = hold(target, FILE_SHARE_READ | FILE_SHARE_DELETE);
  ASSERT_TRUE(held.valid());

  ASSERT_TRUE(replace_file(target + ".vl-new", target).ok());
  EXPECT_EQ(read_file(target), "new");
  EXPECT_FALSE(path_exists(target + ".vl-old1"));  // attempt 0 reused its name
  if (path_exists(target + ".vl-old0")) {
    EXPECT_EQ(read_file(target + ".vl-old0"), "old");
  }
}

TEST(ReplaceOrDisplace, MissingNewFileFailsWithoutTouchingTheTarget) {
  TempFolder dir;
  std::string target = dir / "a.dll";
  ASSERT_TRUE(write_file(target, "old"));
  UniqueHandle held = hold(target, FILE_SHARE_READ);
  Status replaced = replace_file(target + ".vl-new", target);
  ASSERT_FALSE(replaced.ok());
  EXPECT_EQ(replaced.error(), in_use_text("a.dll"));
  held.reset();
  EXPECT_EQ(read_file(target), "old");
}

// The same two cases with the target held by another process (hold_file.exe): "rd" allows
// renaming (like a loaded image), "r" refuses it.
TEST(ReplaceOrDisplace, TargetHeldByAnotherProcess) {
  struct Case {
    const wchar_t* share;
    bool replaced;
  } cases[] = {{L"rd", true}, {L"r", false}};
  for (const Case& c : cases) {
    TempFolder dir;
    std::string target = dir / "eTPKCS11.dll";
    ASSERT_TRUE(write_file(target, "old"));
    ASSERT_TRUE(write_file(target + ".vl-new", "new"));
    Child holder(quote_argument(to_wide(harness_program("hold_file"))) + L" " +
                 quote_argument(to_wide(target)) + L" " + c.share);
    ASSERT_TRUE(holder.ok()) << holder.start_error();
    ASSERT_EQ(holder.read_line(10000), "holding");

    Status replaced = replace_file(target + ".vl-new", target);
    EXPECT_EQ(replaced.ok(), c.replaced);
    EXPECT_EQ(read_file(target), c.replaced ? "new" : "old");
    EXPECT_FALSE(path_exists(target + ".vl-new"));
    if (c.replaced) {
      EXPECT_TRUE(path_exists(target + ".vl-old0"));  // still open in the holder
    } else {
      EXPECT_EQ(replaced.error(), in_use_text("eTPKCS11.dll"));
    }
    holder.close_stdin();
    EXPECT_EQ(holder.wait(10000), DWORD(0));
    EXPECT_FALSE(path_exists(target + ".vl-old0"));  // deleted once the holder let go
  }
}

TEST(DeleteNowOrAtReboot, DeletesAFreeFileAndIgnoresAMissingOne) {
  TempFolder dir;
  ASSERT_TRUE(write_file(dir / "x.dll", "x"));
  delete_now_or_at_reboot(dir / "x.dll");
  EXPECT_FALSE(path_exists(dir / "x.dll"));
  delete_now_or_at_reboot(dir / "never-there.dll");
  EXPECT_FALSE(is_scheduled_for_deletion(dir / "never-there.dll"));
}

TEST(DeleteNowOrAtReboot, SchedulesAFileThatCannotBeDeleted) {
  TempFolder dir;
  std::string path = dir / "held.dll";
  ASSERT_TRUE(write_file(path, "x"));
  UniqueHandle held = hold(path, FILE_SHARE_READ);  // no delete sharing: deletion is refused
  delete_now_or_at_reboot(path);
  EXPECT_TRUE(path_exists(path));
  EXPECT_TRUE(is_scheduled_for_deletion(path));
}

TEST(CreateFolderTree, CreatesMissingAncestorsAndNamesTheFolderOnFailure) {
  TempFolder dir;
  ASSERT_TRUE(create_folder_tree(dir / "a\\b\\c").ok());
  EXPECT_TRUE(path_exists(dir / "a\\b\\c"));
  ASSERT_TRUE(create_folder_tree(dir / "a\\b\\c").ok());  // existing: fine

  ASSERT_TRUE(write_file(dir / "file", "x"));
  Status blocked = create_folder_tree(dir / "file\\sub");
  ASSERT_FALSE(blocked.ok());
  std::string expected_start = "«" + (dir / "file\\sub") + "» хавтсыг үүсгэж чадсангүй.\n";
  EXPECT_EQ(blocked.error().substr(0, expected_start.size()), expected_start) << blocked.error();
  EXPECT_GT(blocked.error().size(), expected_start.size());  // the system's text follows
  EXPECT_NE(blocked.error().back(), '\n');
}

TEST(FilePlacer, WritesThroughTheNewFileAndCreatesSubfolders) {
  TempFolder dir;
  std::unique_ptr<InstallFolder> folder = held_folder(dir.path());
  FilePlacer placer(*folder);
  ASSERT_TRUE(placer.begin(PayloadEntry{"pkcs11-drivers\\x.dll", 5}).ok());
  EXPECT_TRUE(path_exists(dir / "pkcs11-drivers\\x.dll.vl-new"));
  EXPECT_FALSE(path_exists(dir / "pkcs11-drivers\\x.dll"));  // nothing under the final name yet
  const uint8_t data[] = {'h', 'e', 'l', 'l', 'o'};
  ASSERT_TRUE(placer.write(data).ok());
  ASSERT_TRUE(placer.close().ok());
  EXPECT_FALSE(path_exists(dir / "pkcs11-drivers\\x.dll"));  // closed: still aside
  ASSERT_TRUE(placer.commit("pkcs11-drivers\\x.dll").ok());
  EXPECT_EQ(read_file(dir / "pkcs11-drivers\\x.dll"), "hello");
  EXPECT_FALSE(path_exists(dir / "pkcs11-drivers\\x.dll.vl-new"));
}

// An entry given up before its close (discard) or after it (drop) replaces nothing.
TEST(FilePlacer, AnEntryGivenUpLeavesTheOldFileAndNoNewFile) {
  for (const bool closed_first : {false, true}) {
    SCOPED_TRACE(closed_first ? "dropped after close" : "discarded while written");
    TempFolder dir;
    ASSERT_TRUE(write_file(dir / "eToken.dll", "good"));
    std::unique_ptr<InstallFolder> folder = held_folder(dir.path());
  FilePlacer placer(*folder);
    ASSERT_TRUE(placer.begin(PayloadEntry{"eToken.dll", 3}).ok());
    const uint8_t data[] = {'b', 'a', 'd'};
    ASSERT_TRUE(placer.write(data).ok());
    if (closed_first) {
      ASSERT_TRUE(placer.close().ok());
      placer.drop("eToken.dll");
    } else {
      placer.discard();
    }
    EXPECT_EQ(read_file(dir / "eToken.dll"), "good");
    EXPECT_FALSE(path_exists(dir / "eToken.dll.vl-new"));
  }
}

TEST(FilePlacer, LeftoverNewFileIsOverwritten) {
  TempFolder dir;
  ASSERT_TRUE(write_file(dir / "a.dll.vl-new", "a much longer leftover from an earlier run"));
  std::unique_ptr<InstallFolder> folder = held_folder(dir.path());
  FilePlacer placer(*folder);
  ASSERT_TRUE(placer.begin(PayloadEntry{"a.dll", 2}).ok());
  const uint8_t data[] = {'o', 'k'};
  ASSERT_TRUE(placer.write(data).ok());
  ASSERT_TRUE(placer.close().ok());
  ASSERT_TRUE(placer.commit("a.dll").ok());
  EXPECT_EQ(read_file(dir / "a.dll"), "ok");
}

TEST(FilePlacer, EntryFolderThatIsAFileFailsWithTheFolderText) {
  TempFolder dir;
  ASSERT_TRUE(write_file(dir / "sub", "a file, not a folder"));
  std::unique_ptr<InstallFolder> folder = held_folder(dir.path());
  FilePlacer placer(*folder);
  Status begun = placer.begin(PayloadEntry{"sub\\x.dll", 1});
  ASSERT_FALSE(begun.ok());
  EXPECT_EQ(begun.error().rfind("«" + (dir / "sub") + "» хавтсыг үүсгэж чадсангүй.\n", 0), 0u)
      << begun.error();
}

TEST(FilePlacer, NewFileThatCannotBeOpenedFailsWithTheTargetPath) {
  TempFolder dir;
  ASSERT_TRUE(write_file(dir / "a.dll.vl-new", "held"));
  UniqueHandle held = hold(dir / "a.dll.vl-new", 0);  // no sharing at all
  std::unique_ptr<InstallFolder> folder = held_folder(dir.path());
  FilePlacer placer(*folder);
  Status begun = placer.begin(PayloadEntry{"a.dll", 1});
  ASSERT_FALSE(begun.ok());
  std::string expected_start = "«" + (dir / "a.dll") + "» файлыг бичиж чадсангүй.\n";
  EXPECT_EQ(begun.error().rfind(expected_start, 0), 0u) << begun.error();
}

TEST(FilePlacer, DriveRootInstallDirDoesNotDoubleTheBackslash) {
  // join_path keeps "C:\" + name as "C:\name"; the placer must use it for every path.
  TempFolder dir;
  std::unique_ptr<InstallFolder> folder = held_folder(dir.path() + "\\");
  FilePlacer placer(*folder);
  ASSERT_TRUE(placer.begin(PayloadEntry{"a.dll", 0}).ok());
  ASSERT_TRUE(placer.close().ok());
  ASSERT_TRUE(placer.commit("a.dll").ok());
  EXPECT_TRUE(path_exists(dir / "a.dll"));
}

// ---- clean-up after the copy ----------------------------------------------------------

TEST(StaleFiles, RemovedWithTheirEmptiedFoldersStoppingAtAFolderThatStillHoldsFiles) {
  TempFolder dir;
  ASSERT_TRUE(create_folder_tree(dir / "a\\b").ok());
  ASSERT_TRUE(write_file(dir / "a\\b\\c.dll", "stale"));
  ASSERT_TRUE(write_file(dir / "a\\keep.txt", "other"));
  ASSERT_TRUE(create_folder_tree(dir / "p\\q").ok());
  ASSERT_TRUE(write_file(dir / "p\\q\\r.dll", "stale"));
  ASSERT_TRUE(write_file(dir / "top.dll", "stale"));
  std::vector<std::string> previous{"a\\b\\c.dll", "p\\q\\r.dll", "top.dll"};
  remove_stale_files(dir.path(), previous, {});
  EXPECT_FALSE(path_exists(dir / "a\\b\\c.dll"));
  EXPECT_FALSE(path_exists(dir / "a\\b"));
  EXPECT_TRUE(path_exists(dir / "a\\keep.txt"));  // a still holds a file: it stays
  EXPECT_FALSE(path_exists(dir / "p"));           // p\q and p became empty: both gone
  EXPECT_FALSE(path_exists(dir / "top.dll"));
  EXPECT_TRUE(path_exists(dir.path()));           // the install directory itself stays
}

TEST(StaleFiles, NamesShippedAgainStayAsciiCaseInsensitively) {
  TempFolder dir;
  ASSERT_TRUE(write_file(dir / "old.dll", "shipped again"));
  ASSERT_TRUE(write_file(dir / "Gone.DLL", "no longer shipped"));
  std::vector<std::string> previous{"Old.DLL", "gone.dll"};
  std::vector<std::string> installed{"old.dll", "verilune.exe"};
  remove_stale_files(dir.path(), previous, installed);
  EXPECT_TRUE(path_exists(dir / "old.dll"));
  EXPECT_FALSE(path_exists(dir / "Gone.DLL"));
}

TEST(StaleFiles, UnsafeNamesFromTheRegistryAreSkipped) {
  TempFolder outer;
  ASSERT_TRUE(create_folder_tree(outer / "app").ok());
  ASSERT_TRUE(write_file(outer / "outside.dll", "not ours"));
  ASSERT_TRUE(write_file(outer / "app\\x.dll", "x"));
  std::vector<std::string> previous{"..\\outside.dll", outer / "outside.dll", "x.dll."};
  remove_stale_files(outer / "app", previous, {});
  EXPECT_TRUE(path_exists(outer / "outside.dll"));
  EXPECT_TRUE(path_exists(outer / "app\\x.dll"));
}

// A file in use is left to the next restart only in a folder where that is allowed (an
// elevated all-users run's); in a per-user folder it stays, and the next run removes it.
TEST(StaleFiles, FileHeldOpenIsScheduledOnlyWhereAllowedAndItsFolderKept) {
  for (const bool may_schedule : {true, false}) {
    TempFolder dir;
    ASSERT_TRUE(create_folder_tree(dir / "drivers").ok());
    ASSERT_TRUE(write_file(dir / "drivers\\held.dll", "x"));
    UniqueHandle held = hold(dir / "drivers\\held.dll", FILE_SHARE_READ);
    std::vector<std::string> previous{"drivers\\held.dll"};
    remove_stale_files(*held_folder(dir.path(), may_schedule), previous, {});
    EXPECT_EQ(is_scheduled_for_deletion(dir / "drivers\\held.dll"), may_schedule);
    EXPECT_TRUE(path_exists(dir / "drivers"));
  }
}

TEST(OthersFiles, EverythingNeitherPlacedNorListedGoesButThePredecessorsFolder) {
  TempFolder dir;
  for (const char* name : {"verilune.exe", "planted.dll", "sub\\ours.dll", "sub\\theirs.dll",
                           "deep\\er\\theirs.dll", "listed.txt", "VeriluneClient\\client.exe"}) {
    ASSERT_TRUE(create_folder_tree(parent_folder(dir / name)).ok());
    ASSERT_TRUE(write_file(dir / name, "x"));
  }
  std::vector<std::string> previous{"listed.txt"};
  std::vector<std::string> installed{"verilune.exe", "sub\\ours.dll"};
  remove_others_files(*held_folder(dir.path()), previous, installed);
  for (const char* kept : {"verilune.exe", "sub\\ours.dll", "listed.txt", "VeriluneClient\\client.exe"})
    EXPECT_TRUE(path_exists(dir / kept)) << kept;
  for (const char* gone : {"planted.dll", "sub\\theirs.dll", "deep"})
    EXPECT_FALSE(path_exists(dir / gone)) << gone;
}

TEST(PreviousMainBinary, DeletedWhenItHadAnotherName) {
  TempFolder dir;
  ASSERT_TRUE(write_file(dir / "verilune-legacy.exe", "old main"));
  ASSERT_TRUE(write_file(dir / "verilune.exe", "new main"));
  InstallJob job;
  job.install_dir = dir.path();
  job.previous_main_binary = "verilune-legacy.exe";
  std::vector<std::string> installed{"verilune.exe"};
  remove_previous_main_binary(job, installed);
  EXPECT_FALSE(path_exists(dir / "verilune-legacy.exe"));
  EXPECT_TRUE(path_exists(dir / "verilune.exe"));
}

TEST(PreviousMainBinary, KeptWhenItIsVeriluneExeShippedAgainOrNotAPlainName) {
  struct Case {
    const char* name;
    const char* file;
  } cases[] = {
      {"VERILUNE.EXE", "VERILUNE.EXE"},      // the current main binary, any ASCII case
      {"uninstall.exe", "uninstall.exe"},    // placed by this run
      {"bin\\old.exe", "bin\\old.exe"},      // not a plain file name
      {"..\\old.exe", "old.exe"},            // outside the folder: never touched
  };
  for (const Case& c : cases) {
    TempFolder outer;
    std::string dir = outer / "app";
    ASSERT_TRUE(create_folder_tree(dir + "\\bin").ok());
    std::string file = std::string(c.name).starts_with("..") ? outer / c.file : join_path(dir, c.file);
    ASSERT_TRUE(write_file(file, "x"));
    InstallJob job;
    job.install_dir = dir;
    job.previous_main_binary = c.name;
    std::vector<std::string> installed{"uninstall.exe", "verilune.exe"};
    remove_previous_main_binary(job, installed);
    EXPECT_TRUE(path_exists(file)) << c.name;
  }
}

}  // namespace
}  // namespace vl

namespace vl {
namespace {

// Wine shows a Unix symbolic link to a folder as a reparse point; tests/e2e/legacy_peer.py
// plants one (VL_LINK_FIXTURE): <fixture>\Install\linked-sub -> <fixture>\Outside, which holds
// keep.txt.
std::optional<std::string> link_fixture() {
  const char* fixture = std::getenv("VL_LINK_FIXTURE");
  if (!fixture || !*fixture) return std::nullopt;
  return std::string(fixture);
}

TEST(LinkedEntries, NothingIsWrittenOrDeletedThroughALinkedFolder) {
  std::optional<std::string> fixture = link_fixture();
  if (!fixture) GTEST_SKIP() << "VL_LINK_FIXTURE not set (tests/e2e/legacy_peer.py sets it)";
  std::string install = join_path(*fixture, "Install");
  std::string outside = join_path(*fixture, "Outside");

  // A stale name below the linked folder: the file it reaches stays.
  remove_stale_files(install, std::vector<std::string>{"linked-sub\\keep.txt"}, {});
  EXPECT_EQ(read_file(join_path(outside, "keep.txt")), "must survive");

  // An entry below the linked folder is refused before anything is written.
  std::unique_ptr<InstallFolder> folder = held_folder(install);
  FilePlacer placer(*folder);
  std::string target = join_path(install, "linked-sub\\planted.dll");
  Status begun = placer.begin(PayloadEntry{"linked-sub\\planted.dll", 1});
  ASSERT_FALSE(begun.ok());
  EXPECT_TRUE(begun.error().starts_with(format_text(TEXT_WRITE_FAILED, {target, ""})))
      << begun.error();
  EXPECT_FALSE(path_exists(join_path(outside, "planted.dll.vl-new")));
}

using namespace wine_test;

// Block-parallel decoding writes an entry's ranges in any order, from two placers' files at
// once: each file holds its bytes at their offsets, and nothing is at the target until commit.
TEST(FilePlacer, PositionalWritesInAnyOrderPlaceTheBytesAtTheirOffsets) {
  TempFolder dir;
  std::unique_ptr<InstallFolder> folder = held_folder(dir.path());
  FilePlacer placer(*folder);
  std::unique_ptr<EntryWriter> first = placer.another();
  std::unique_ptr<EntryWriter> second = placer.another();
  ASSERT_TRUE(first->begin(PayloadEntry{"a.dll", 6}).ok());
  ASSERT_TRUE(second->begin(PayloadEntry{"sub\\b.dll", 4}).ok());
  auto bytes = [](std::string_view text) {
    return std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  };
  ASSERT_TRUE(first->write_at(3, bytes("def")).ok());
  ASSERT_TRUE(second->write_at(0, bytes("wxyz")).ok());
  ASSERT_TRUE(first->write_at(0, bytes("abc")).ok());
  ASSERT_TRUE(first->close().ok());
  ASSERT_TRUE(second->close().ok());
  EXPECT_FALSE(path_exists(dir / "a.dll"));
  ASSERT_TRUE(placer.commit("a.dll").ok());
  ASSERT_TRUE(placer.commit("sub\\b.dll").ok());
  EXPECT_EQ(read_file(dir / "a.dll"), "abcdef");
  EXPECT_EQ(read_file(dir / "sub\\b.dll"), "wxyz");
}

}  // namespace
}  // namespace vl
