#include <gtest/gtest.h>

#include <objbase.h>
#include <propkey.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "install/shortcuts_win.h"
#include "sys/com_win.h"
#include "sys/folders_win.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"
#include "wine/support/registry.h"

namespace vl {
namespace {

using wine_test::TempFolder;

struct LinkInfo {
  std::string target;
  std::string working_folder;
  std::string app_id;
};

// Reads a link back through IShellLinkW, IPersistFile and IPropertyStore.
std::optional<LinkInfo> read_link(const std::string& link) {
  ComPtr<IShellLinkW> shell_link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              shell_link.put_void())))
    return std::nullopt;
  auto file = shell_link.query<IPersistFile>();
  if (!file || FAILED(file->Load(to_wide(link).c_str(), STGM_READ))) return std::nullopt;
  LinkInfo info;
  wchar_t buffer[1024] = {};
  if (FAILED(shell_link->GetPath(buffer, 1024, nullptr, 0))) return std::nullopt;
  info.target = from_wide(buffer).value_or("?");
  buffer[0] = 0;
  if (FAILED(shell_link->GetWorkingDirectory(buffer, 1024))) return std::nullopt;
  info.working_folder = from_wide(buffer).value_or("?");
  auto store = shell_link.query<IPropertyStore>();
  if (!store) return std::nullopt;
  PROPVARIANT value;
  PropVariantInit(&value);
  if (SUCCEEDED(store->GetValue(PKEY_AppUserModel_ID, &value)) && value.vt == VT_LPWSTR)
    info.app_id = from_wide(value.pwszVal).value_or("?");
  PropVariantClear(&value);
  return info;
}

// Wine 8's shell link property store is a stub (GetValue answers E_NOTIMPL and nothing is
// saved), so the AppUserModelID can only be read back where the platform stores it.
bool link_property_store_works() {
  ComPtr<IShellLinkW> shell_link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              shell_link.put_void())))
    return false;
  auto store = shell_link.query<IPropertyStore>();
  if (!store) return false;
  PROPVARIANT value;
  PropVariantInit(&value);
  HRESULT hr = store->GetValue(PKEY_AppUserModel_ID, &value);
  PropVariantClear(&value);
  return hr != E_NOTIMPL;
}

class Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    install_dir_ = (temp_ / "Program Files\\Verilune");
    SHCreateDirectoryExW(nullptr, to_wide(install_dir_).c_str(), nullptr);
    target_ = install_dir_ + "\\verilune.exe";
    ASSERT_TRUE(wine_test::copy_file(wine_test::harness_program("probe_child"), target_));
    old_target_ = install_dir_ + "\\Old Key.exe";
    ASSERT_TRUE(wine_test::copy_file(wine_test::harness_program("probe_child"), old_target_));
  }
  ComApartment com_;
  TempFolder temp_;
  std::string install_dir_, target_, old_target_;
};

TEST_F(Shortcuts, APlacedLinkCarriesTargetAndWorkingFolderInAFolderMadeForIt) {
  // The Programs folder does not exist yet: it is created with its parents.
  std::string link = (temp_ / "Start Menu\\Programs\\Verilune.lnk");
  Status placed = place_shortcut(link, target_);
  ASSERT_TRUE(placed.ok()) << placed.error();
  auto info = read_link(link);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->target, target_);
  EXPECT_EQ(info->working_folder, install_dir_);
}

TEST_F(Shortcuts, APlacedLinkCarriesTheAppUserModelId) {
  if (!link_property_store_works()) GTEST_SKIP() << "this platform's shell links keep no properties (Wine)";
  std::string link = (temp_ / "Verilune.lnk");
  ASSERT_TRUE(place_shortcut(link, target_).ok());
  auto info = read_link(link);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->app_id, "mn.osmira.key");
}

TEST_F(Shortcuts, PlacingAgainOverwritesTheLink) {
  std::string link = (temp_ / "Verilune.lnk");
  ASSERT_TRUE(place_shortcut(link, old_target_).ok());
  ASSERT_TRUE(place_shortcut(link, target_).ok());
  auto info = read_link(link);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->target, target_);
}

TEST_F(Shortcuts, ALinkWhoseFolderIsAFileFailsWithItsPath) {
  std::string blocker = (temp_ / "Desktop");
  ASSERT_TRUE(wine_test::write_file(blocker, "a file where the folder should be"));
  std::string link = blocker + "\\Verilune.lnk";
  Status placed = place_shortcut(link, target_);
  ASSERT_FALSE(placed.ok());
  EXPECT_EQ(placed.error().rfind(link + ": ", 0), 0u) << placed.error();
  EXPECT_GT(placed.error().size(), link.size() + 2);
}

TEST_F(Shortcuts, RefreshRewritesOnlyALinkToTheRenamedPreviousMainBinary) {
  struct Case {
    const char* name;
    std::optional<std::string> previous_main_binary;
    bool link_points_at_old;  // otherwise at a program elsewhere
    bool expect_rewritten;
  };
  const Case cases[] = {
      {"renamed binary, link at it", "Old Key.exe", true, true},
      {"renamed binary, name in other case", "OLD KEY.EXE", true, true},
      {"renamed binary, link elsewhere", "Old Key.exe", false, false},
      {"same binary name", "verilune.exe", true, false},
      {"no previous installation", std::nullopt, true, false},
  };
  std::string elsewhere = (temp_ / "elsewhere.exe");
  ASSERT_TRUE(wine_test::copy_file(wine_test::harness_program("probe_child"), elsewhere));
  for (const Case& c : cases) {
    std::string link = (temp_ / "Verilune.lnk");
    const std::string& original = c.link_points_at_old ? old_target_ : elsewhere;
    ASSERT_TRUE(place_shortcut(link, original).ok());
    InstallJob job;
    job.install_dir = install_dir_;
    job.previous_main_binary = c.previous_main_binary;
    refresh_shortcut(link, job, target_);
    auto info = read_link(link);
    ASSERT_TRUE(info) << c.name;
    EXPECT_EQ(info->target, c.expect_rewritten ? target_ : original) << c.name;
  }
}

TEST_F(Shortcuts, RefreshNeverCreatesAMissingLink) {
  InstallJob job;
  job.install_dir = install_dir_;
  job.previous_main_binary = "Old Key.exe";
  std::string link = (temp_ / "Verilune.lnk");
  refresh_shortcut(link, job, target_);
  EXPECT_FALSE(path_exists(link));
}

TEST_F(Shortcuts, AStartMenuLinkThatCannotBeWrittenDoesNotStopTheDesktopLink) {
  std::string blocked_folder = (temp_ / "Programs");
  ASSERT_TRUE(wine_test::write_file(blocked_folder, "file"));
  std::string desktop = (temp_ / "Desktop");
  InstallJob job;
  job.install_dir = install_dir_;
  job.create_start_menu_shortcut = true;
  job.create_desktop_shortcut = true;
  make_shortcuts_in(job, blocked_folder, desktop);
  auto info = read_link(desktop + "\\Verilune.lnk");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->target, target_);
}

TEST_F(Shortcuts, BothCreatedLinksCarryTheTargetAndWorkingFolder) {
  std::string programs = (temp_ / "Programs");
  std::string desktop = (temp_ / "Desktop");
  InstallJob job;
  job.install_dir = install_dir_;
  job.create_start_menu_shortcut = true;
  job.create_desktop_shortcut = true;
  make_shortcuts_in(job, programs, desktop);
  for (const std::string& link : {programs + "\\Verilune.lnk", desktop + "\\Verilune.lnk"}) {
    auto info = read_link(link);
    ASSERT_TRUE(info) << link;
    EXPECT_EQ(info->target, target_) << link;
    EXPECT_EQ(info->working_folder, install_dir_) << link;
  }
}

TEST_F(Shortcuts, ClearedFlagsCreateNoLinks) {
  std::string programs = (temp_ / "Programs");
  std::string desktop = (temp_ / "Desktop");
  InstallJob job;
  job.install_dir = install_dir_;
  job.previous_main_binary = "verilune.exe";
  make_shortcuts_in(job, programs, desktop);
  EXPECT_FALSE(path_exists(programs + "\\Verilune.lnk"));
  EXPECT_FALSE(path_exists(desktop + "\\Verilune.lnk"));
}

}  // namespace
}  // namespace vl
