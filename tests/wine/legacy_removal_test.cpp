// Removal of the predecessor client and of an earlier MSI installation, for real: the test MSIs
// (built with wixl by tests/e2e/legacy_peer.py and named by VL_PEER_MSI_DIR) are installed with
// the system's msiexec, their programs started, and the removal run. msiexec is reached through
// a recording stand-in in a test-only System folder, which hands the arguments on to the real
// msiexec.exe, so that the exact command lines can be read back.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "install/install_job.h"
#include "install/legacy_removal.h"
#include "install/legacy_removal_win.h"
#include "install/run_install.h"
#include "install/running_app_win.h"
#include "native/payload_craft.h"
#include "native/payload_test_support.h"
#include "setup_app/detect_installed_win.h"
#include "sys/paths.h"
#include "sys/processes_win.h"
#include "sys/program_launch.h"
#include "sys/program_launch_win.h"
#include "sys/registry_win.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"
#include "wine/support/registry.h"

namespace vl {
namespace {

using namespace std::chrono_literals;
using wine_test::TempFolder;
using wine_test::Started;

std::optional<std::string> env_text(const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
  if (length == 0 || length >= 1024) return std::nullopt;
  return from_wide(std::wstring_view(buffer, length));
}

std::optional<std::string> known_folder(REFKNOWNFOLDERID id) {
  UniqueCoTaskMem<wchar_t> path;
  if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, path.put()))) return std::nullopt;
  return from_wide(path.get());
}

std::vector<std::string> record_lines(const std::string& file) {
  std::vector<std::string> lines;
  std::string text = wine_test::read_file(file).value_or("");
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

// The installed product as its Uninstall entry shows it.
struct InstalledProduct {
  std::string code;
  std::optional<std::string> location;
};

std::optional<InstalledProduct> find_product(std::string_view display_name, RegView view) {
  for (const std::string& name : enum_reg_subkeys(HKEY_LOCAL_MACHINE, UNINSTALL_ROOT, view)) {
    std::string key = join_path(UNINSTALL_ROOT, name);
    if (read_reg_string(HKEY_LOCAL_MACHINE, key, "DisplayName", view) == display_name)
      return InstalledProduct{name, read_reg_string(HKEY_LOCAL_MACHINE, key, "InstallLocation", view)};
  }
  return std::nullopt;
}

bool product_registered(const std::string& code) {
  return reg_key_exists(HKEY_LOCAL_MACHINE, join_path(UNINSTALL_ROOT, code), RegView::Bits32);
}

class LegacyRemoval : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    wine_test::make_dirs(system_dir());
    wine_test::copy_file(join_path(wine_test::test_program_dir(), "msiexec_recorder.exe"),
                    join_path(system_dir(), "msiexec.exe"));
    common_startup_ = known_folder(FOLDERID_CommonStartup);
    user_startup_ = known_folder(FOLDERID_Startup);
    ASSERT_TRUE(common_startup_ && user_startup_);
  }
  void TearDown() override {
    for (Started& started : started_) {
      if (started.process) TerminateProcess(started.process.get(), 7);
    }
    SetEnvironmentVariableW(L"VL_MSIEXEC_EXIT_CODE", nullptr);
    CoUninitialize();
  }

  std::string system_dir() const { return dir_ / "System"; }
  std::string recorder() const { return join_path(system_dir(), "msiexec.exe"); }
  std::vector<std::string> msiexec_calls() const {
    return record_lines(join_path(system_dir(), "msiexec-record.txt"));
  }
  std::string expected_call(std::string_view arguments) const {
    return quoted_command_line(recorder(), arguments);
  }

  std::string peer_msi(std::string_view name) {
    std::optional<std::string> folder = env_text(L"VL_PEER_MSI_DIR");
    if (!folder) return {};
    return join_path(*folder, name);
  }

  // Installs a test MSI with the system's own msiexec.
  void install_msi(const std::string& msi) {
    std::optional<std::string> msiexec = system_msiexec_path();
    ASSERT_TRUE(msiexec);
    Result<uint32_t> code = run_and_wait(*msiexec, format_text("/i \"{}\" /qn", {msi}));
    ASSERT_TRUE(code.ok()) << code.error();
    ASSERT_EQ(code.value(), 0u) << msi;
  }

  // A client folder by hand (no MSI): the two programs (the stay-running stand-in) and a file.
  void make_client_files(const std::string& folder) {
    wine_test::make_dirs(folder);
    std::string standin = join_path(wine_test::test_program_dir(), "legacy_client_standin.exe");
    wine_test::copy_file(standin, join_path(folder, LEGACY_CLIENT_EXE));
    wine_test::copy_file(standin, join_path(folder, LEGACY_STARTER_EXE));
  }

  void start_client_programs(const std::string& folder) {
    for (std::string_view name : {LEGACY_CLIENT_EXE, LEGACY_STARTER_EXE})
      started_.push_back(wine_test::start_program(join_path(folder, name)));
    ASSERT_EQ(find_processes_by_name(LEGACY_CLIENT_EXE).size(), 1u);
    ASSERT_EQ(find_processes_by_name(LEGACY_STARTER_EXE).size(), 1u);
  }

  std::vector<std::string> startup_links() const {
    return {join_path(*common_startup_, LEGACY_STARTUP_LINK),
            join_path(*user_startup_, LEGACY_STARTUP_LINK)};
  }
  void place_startup_links(const std::string& folder) {
    for (const std::string& link : startup_links())
      ASSERT_TRUE(wine_test::make_shell_link(link, join_path(folder, LEGACY_STARTER_EXE))) << link;
  }

  void expect_client_gone() {
    EXPECT_TRUE(find_processes_by_name(LEGACY_CLIENT_EXE).empty());
    EXPECT_TRUE(find_processes_by_name(LEGACY_STARTER_EXE).empty());
    for (Started& started : started_)
      EXPECT_EQ(wine_test::exit_code_within(started, 1s), std::optional<DWORD>(1)) << "terminated";
    for (const std::string& link : startup_links()) EXPECT_FALSE(wine_test::file_exists(link)) << link;
  }

  LegacyRemovalContext context(bool quiet) const {
    return LegacyRemovalContext{dir_ / "Verilune", quiet, recorder()};
  }

  TempFolder dir_;
  std::optional<std::string> common_startup_, user_startup_;
  std::vector<Started> started_;
};

TEST_F(LegacyRemoval, MsiInstalledClientIsUninstalledQuietlyInASilentRun) {
  std::string msi = peer_msi("VeriluneClient.msi");
  if (msi.empty()) GTEST_SKIP() << "VL_PEER_MSI_DIR not set (tests/e2e/legacy_peer.py sets it)";
  install_msi(msi);
  std::optional<InstalledProduct> client = find_product("VeriluneClient", RegView::Bits32);
  ASSERT_TRUE(client && client->location) << "the peer MSI registered no VeriluneClient entry";
  std::string location = normalize_location(*client->location);
  ASSERT_TRUE(wine_test::file_exists(join_path(location, LEGACY_CLIENT_EXE))) << location;
  ASSERT_TRUE(iends_with_ascii(location, "\\VeriluneClient"));
  // Something msiexec does not own keeps the folder after the uninstall.
  wine_test::write_file(join_path(location, "settings.dat"), "user data");
  start_client_programs(location);
  place_startup_links(location);

  LegacyClient legacy{client->code, std::string("1.4.2"), location};
  remove_legacy_client(legacy, context(/*quiet=*/true));

  EXPECT_EQ(msiexec_calls(),
            std::vector<std::string>{expected_call("/x " + client->code + " /qn /norestart")});
  EXPECT_FALSE(product_registered(client->code)) << "the real msiexec did not uninstall it";
  EXPECT_FALSE(wine_test::dir_exists(location));
  expect_client_gone();
}

TEST_F(LegacyRemoval, InteractiveRunShowsBasicProgressWithoutCancel) {
  std::string msi = peer_msi("VeriluneClient.msi");
  if (msi.empty()) GTEST_SKIP() << "VL_PEER_MSI_DIR not set (tests/e2e/legacy_peer.py sets it)";
  install_msi(msi);
  std::optional<InstalledProduct> client = find_product("VeriluneClient", RegView::Bits32);
  ASSERT_TRUE(client && client->location);
  std::string location = normalize_location(*client->location);
  start_client_programs(location);

  remove_legacy_client(LegacyClient{client->code, std::nullopt, location}, context(false));

  EXPECT_EQ(msiexec_calls(),
            std::vector<std::string>{expected_call("/x " + client->code + " /qb-! /norestart")});
  EXPECT_FALSE(product_registered(client->code));
  EXPECT_FALSE(wine_test::dir_exists(location));
  expect_client_gone();
}

TEST_F(LegacyRemoval, ClientFoundOnlyByItsFilesIsCleanedWithoutMsiexec) {
  std::string location = dir_ / "Apps\\VeriluneClient";
  make_client_files(location);
  wine_test::make_dirs(join_path(location, "logs"));
  wine_test::write_file(join_path(location, "logs\\today.log"), "x");
  start_client_programs(location);
  place_startup_links(location);

  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, location}, context(true));

  EXPECT_TRUE(msiexec_calls().empty());
  EXPECT_FALSE(wine_test::file_exists(join_path(system_dir(), "msiexec-record.txt")));
  EXPECT_FALSE(wine_test::dir_exists(location));
  EXPECT_TRUE(wine_test::dir_exists(dir_ / "Apps"));
  expect_client_gone();
}

TEST_F(LegacyRemoval, FolderNamedInAnotherCaseGoesWholeReadOnlyFilesIncluded) {
  std::string location = dir_ / "Other\\veriluneclient";
  make_client_files(location);
  wine_test::write_file(join_path(location, "readonly.cfg"), "x");
  SetFileAttributesW(to_wide(join_path(location, "readonly.cfg")).c_str(), FILE_ATTRIBUTE_READONLY);
  wine_test::make_dirs(join_path(location, "cache\\deep"));
  wine_test::write_file(join_path(location, "cache\\deep\\blob.bin"), "x");
  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, location}, context(true));

  EXPECT_FALSE(wine_test::dir_exists(location));
  EXPECT_TRUE(msiexec_calls().empty());
}

// Wine creates no links through CreateSymbolicLinkW, but shows a Unix symbolic link as a
// directory reparse point; tests/e2e/legacy_peer.py plants one (VL_LINK_FIXTURE):
// <fixture>\VeriluneClient\outside-link -> <fixture>\Outside, which holds keep.txt.
TEST_F(LegacyRemoval, LinkInsideTheClientFolderIsNotFollowed) {
  std::optional<std::string> fixture = env_text(L"VL_LINK_FIXTURE");
  if (!fixture) GTEST_SKIP() << "VL_LINK_FIXTURE not set (tests/e2e/legacy_peer.py sets it)";
  std::string location = join_path(*fixture, "VeriluneClient");
  std::string link = join_path(location, "outside-link");
  DWORD attributes = GetFileAttributesW(to_wide(link).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  ASSERT_TRUE(wine_test::file_exists(join_path(link, "keep.txt")));
  make_client_files(location);

  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, location}, context(true));

  EXPECT_TRUE(wine_test::file_exists(join_path(*fixture, "Outside\\keep.txt")));
  EXPECT_FALSE(wine_test::file_exists(join_path(location, LEGACY_CLIENT_EXE)));
  EXPECT_FALSE(wine_test::file_exists(join_path(location, LEGACY_STARTER_EXE)));
  // Removing the link itself (RemoveDirectoryW on Windows) is not observable here: Wine
  // refuses to remove a Unix link to a folder that holds files, so the folder stays.
}

TEST_F(LegacyRemoval, LocationThatIsALinkIsNotFollowed) {
  std::optional<std::string> fixture = env_text(L"VL_LINK_FIXTURE");
  if (!fixture) GTEST_SKIP() << "VL_LINK_FIXTURE not set (tests/e2e/legacy_peer.py sets it)";
  std::string location = join_path(*fixture, "Linked\\VeriluneClient");
  DWORD attributes = GetFileAttributesW(to_wide(location).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);

  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, location}, context(true));

  EXPECT_TRUE(wine_test::file_exists(join_path(*fixture, "Target\\Osmira.Security.KeyClient.exe")));
}

// The user's Startup folder is theirs to point anywhere (User Shell Folders): only a real
// shell link of the autostart name goes from it, not another file under that name.
TEST_F(LegacyRemoval, StartupFolderPointedElsewhereLosesOnlyARealShellLink) {
  const std::string shell_folders =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  std::string elsewhere = dir_ / "Elsewhere";
  wine_test::make_dirs(elsewhere);
  std::string planted = join_path(elsewhere, LEGACY_STARTUP_LINK);
  ASSERT_TRUE(wine_test::write_file(planted, "not a shell link"));
  ASSERT_TRUE(wine_test::set_reg_string(HKEY_CURRENT_USER, shell_folders, "Startup", elsewhere));
  ASSERT_TRUE(same_path(known_folder(FOLDERID_Startup).value_or(""), elsewhere))
      << "the Startup folder did not follow its registry value";

  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, dir_ / "VeriluneClient"},
                       context(true));
  EXPECT_EQ(wine_test::read_file(planted), "not a shell link");

  ASSERT_TRUE(
      wine_test::make_shell_link(planted, dir_ / "VeriluneClient\\Osmira.Security.KeyStarter.exe"));
  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, dir_ / "VeriluneClient"},
                       context(true));
  EXPECT_FALSE(wine_test::file_exists(planted));
  ASSERT_TRUE(
      wine_test::set_reg_string(HKEY_CURRENT_USER, shell_folders, "Startup", *user_startup_));
}

TEST_F(LegacyRemoval, SharedFolderLosesOnlyTheTwoExecutables) {
  std::string location = dir_ / "Program Files\\Osmira";
  make_client_files(location);
  wine_test::write_file(join_path(location, "Other.Product.dll"), "x");
  start_client_programs(location);

  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, location}, context(true));

  EXPECT_FALSE(wine_test::file_exists(join_path(location, LEGACY_CLIENT_EXE)));
  EXPECT_FALSE(wine_test::file_exists(join_path(location, LEGACY_STARTER_EXE)));
  EXPECT_TRUE(wine_test::file_exists(join_path(location, "Other.Product.dll")));
  expect_client_gone();
}

TEST_F(LegacyRemoval, SharedFolderLeftEmptyIsRemoved) {
  std::string location = dir_ / "Program Files\\Osmira";
  make_client_files(location);

  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, location}, context(true));

  EXPECT_FALSE(wine_test::dir_exists(location));
  EXPECT_TRUE(wine_test::dir_exists(dir_ / "Program Files"));
}

TEST_F(LegacyRemoval, ClientFolderHoldingTheInstallDirectoryIsNotDeletedWhole) {
  std::string location = dir_ / "VeriluneClient";
  make_client_files(location);
  wine_test::make_dirs(join_path(location, "Verilune"));
  wine_test::write_file(join_path(location, "Verilune\\verilune.exe"), "the new install");

  LegacyRemovalContext inside{join_path(location, "Verilune"), true, recorder()};
  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, location}, inside);

  EXPECT_TRUE(wine_test::file_exists(join_path(location, "Verilune\\verilune.exe")));
  EXPECT_FALSE(wine_test::file_exists(join_path(location, LEGACY_CLIENT_EXE)));
  EXPECT_FALSE(wine_test::file_exists(join_path(location, LEGACY_STARTER_EXE)));
}

TEST_F(LegacyRemoval, RelativeLocationIsNotTouched) {
  // A relative location would resolve against whatever the current directory is.
  std::string current = dir_ / "Current";
  make_client_files(join_path(current, "VeriluneClient"));
  wchar_t saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, saved);
  SetCurrentDirectoryW(to_wide(current).c_str());
  remove_legacy_client(LegacyClient{std::nullopt, std::nullopt, std::string("VeriluneClient")},
                       context(true));
  SetCurrentDirectoryW(saved);

  EXPECT_TRUE(wine_test::file_exists(join_path(current, "VeriluneClient\\Osmira.Security.KeyClient.exe")));
}

TEST_F(LegacyRemoval, AnyMsiexecExitCodeLetsTheStepFinish) {
  for (const char* exit_code : {"0", "1603", "1605", "3010"}) {
    SCOPED_TRACE(exit_code);
    SetEnvironmentVariableW(L"VL_MSIEXEC_EXIT_CODE", to_wide(exit_code).c_str());
    std::string location = dir_ / format_text("Exit{}\\VeriluneClient", {exit_code});
    make_client_files(location);
    place_startup_links(location);

    remove_legacy_client(LegacyClient{std::string("{00000000-0000-0000-0000-000000000001}"),
                                      std::nullopt, location},
                         context(true));

    EXPECT_FALSE(wine_test::dir_exists(location));
    for (const std::string& link : startup_links()) EXPECT_FALSE(wine_test::file_exists(link));
  }
  EXPECT_EQ(msiexec_calls().size(), 4u);
}

TEST_F(LegacyRemoval, WithoutAnMsiexecTheFolderAndLinksAreStillCleaned) {
  std::string location = dir_ / "VeriluneClient";
  make_client_files(location);
  place_startup_links(location);

  LegacyRemovalContext no_msiexec{dir_ / "Verilune", true, std::nullopt};
  remove_legacy_client(LegacyClient{std::string("{00000000-0000-0000-0000-000000000002}"),
                                    std::nullopt, location},
                       no_msiexec);

  EXPECT_FALSE(wine_test::dir_exists(location));
  for (const std::string& link : startup_links()) EXPECT_FALSE(wine_test::file_exists(link));
}

TEST_F(LegacyRemoval, EarlierMsiInstallOfTheProductIsUninstalledWithBasicUi) {
  std::string msi = peer_msi("Verilune.msi");
  if (msi.empty()) GTEST_SKIP() << "VL_PEER_MSI_DIR not set (tests/e2e/legacy_peer.py sets it)";
  install_msi(msi);
  std::optional<InstalledProduct> product = find_product("Verilune", RegView::Default);
  ASSERT_TRUE(product);
  std::string key = join_path(UNINSTALL_ROOT, product->code);
  EXPECT_EQ(read_reg_string(HKEY_LOCAL_MACHINE, key, "Publisher"), "osmira");

  remove_previous_msi(product->code, recorder());

  EXPECT_EQ(msiexec_calls(),
            std::vector<std::string>{expected_call("/x " + product->code + " /qb-! /norestart")});
  EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, key));
}

// ---- the pipeline: Prepare and RemoveLegacy inside run_install, with the system's msiexec ----

struct TestPayload {
  craft::Bytes blob;
  Payload payload;
};

TestPayload payload_with(std::string_view name, std::string_view data) {
  craft::Bytes entry = craft::entry(name, data);
  TestPayload out;
  out.blob = craft::concat({craft::header(data.size(), 1), craft::xz(entry)});
  out.payload = check_payload_header(out.blob).value();
  return out;
}

std::string sample_app() { return join_path(wine_test::test_program_dir(), "..\\sample\\verilune.exe"); }

TEST_F(LegacyRemoval, SilentInstallEndsTheAppAndRemovesDetectedClientAndEarlierMsi) {
  std::string client_msi = peer_msi("VeriluneClient.msi");
  if (client_msi.empty()) GTEST_SKIP() << "VL_PEER_MSI_DIR not set (tests/e2e/legacy_peer.py sets it)";
  install_msi(client_msi);
  install_msi(peer_msi("Verilune.msi"));
  std::string install_dir = dir_ / "Verilune";

  std::optional<LegacyClient> legacy = detect_legacy_client(install_dir);
  ASSERT_TRUE(legacy && legacy->product_code && legacy->location);
  EXPECT_EQ(legacy->display_version, "1.4.2");
  std::optional<std::string> previous_msi = detect_previous_msi();
  ASSERT_TRUE(previous_msi);
  std::string client_location = *legacy->location;
  wine_test::write_file(join_path(client_location, "settings.dat"), "user data");
  start_client_programs(client_location);
  place_startup_links(client_location);
  // The application runs from the install folder (the sample closes on WM_CLOSE).
  wine_test::make_dirs(install_dir);
  wine_test::copy_file(sample_app(), join_path(install_dir, "verilune.exe"));
  Started app = wine_test::start_program(join_path(install_dir, "verilune.exe"));
  ASSERT_TRUE(wine_test::wait_for_window(app, 10s));

  InstallJob job;
  job.install_dir = install_dir;
  job.legacy = legacy;
  job.previous_msi_code = previous_msi;
  job.quiet = true;
  TestPayload payload = payload_with("verilune.exe", "the new verilune.exe");
  testing_support::RecordingSink sink;
  Status result = run_install(job, payload.payload, sink);

  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(sink.steps,
            (std::vector<InstallStep>{InstallStep::Prepare, InstallStep::CopyFiles,
                                      InstallStep::RemoveLegacy, InstallStep::Register}));
  EXPECT_EQ(wine_test::exit_code_within(app, 5s), std::optional<DWORD>(0)) << "closed politely";
  EXPECT_EQ(wine_test::read_file(join_path(install_dir, "verilune.exe")).value_or(""), "the new verilune.exe");
  EXPECT_FALSE(product_registered(*legacy->product_code));
  EXPECT_FALSE(detect_previous_msi().has_value());
  EXPECT_FALSE(wine_test::dir_exists(client_location));
  EXPECT_FALSE(detect_legacy_client(install_dir).has_value());
  expect_client_gone();
}

TEST_F(LegacyRemoval, UpdateInPlaceLeavesTheEarlierMsiInstall) {
  std::string msi = peer_msi("Verilune.msi");
  if (msi.empty()) GTEST_SKIP() << "VL_PEER_MSI_DIR not set (tests/e2e/legacy_peer.py sets it)";
  install_msi(msi);
  std::optional<std::string> previous_msi = detect_previous_msi();
  ASSERT_TRUE(previous_msi);

  InstallJob job;
  job.install_dir = dir_ / "Verilune";
  job.previous_msi_code = previous_msi;
  job.update_in_place = true;
  job.quiet = true;
  TestPayload payload = payload_with("verilune.exe", "new");
  testing_support::RecordingSink sink;
  ASSERT_TRUE(run_install(job, payload.payload, sink).ok());

  EXPECT_EQ(detect_previous_msi(), previous_msi);
  // Removed for the next test's sake, as a normal update would.
  job.update_in_place = false;
  ASSERT_TRUE(run_install(job, payload.payload, sink).ok());
  EXPECT_FALSE(detect_previous_msi().has_value());
}

TEST_F(LegacyRemoval, ClientFoundOnlyByItsFilesBesideTheInstallDirectoryIsRemovedByTheRun) {
  // Detection probes install_dir\VeriluneClient when the registry names no client.
  std::string install_dir = dir_ / "Verilune";
  std::string location = join_path(install_dir, "VeriluneClient");
  EXPECT_FALSE(detect_legacy_client(install_dir).has_value()) << "nothing installed yet";
  make_client_files(location);
  start_client_programs(location);
  place_startup_links(location);

  std::optional<LegacyClient> legacy = detect_legacy_client(install_dir);
  ASSERT_TRUE(legacy);
  EXPECT_FALSE(legacy->product_code.has_value());
  ASSERT_TRUE(legacy->location);
  EXPECT_TRUE(same_path(*legacy->location, location));

  InstallJob job;
  job.install_dir = install_dir;
  job.legacy = legacy;
  job.quiet = true;
  TestPayload payload = payload_with("verilune.exe", "new");
  testing_support::RecordingSink sink;
  ASSERT_TRUE(run_install(job, payload.payload, sink).ok());

  EXPECT_FALSE(wine_test::dir_exists(location));
  EXPECT_TRUE(wine_test::file_exists(join_path(install_dir, "verilune.exe")));
  expect_client_gone();
}

TEST(SystemMsiexec, IsTheSystemFoldersProgram) {
  std::optional<std::string> path = system_msiexec_path();
  ASSERT_TRUE(path);
  wchar_t system[MAX_PATH];
  UINT length = GetSystemDirectoryW(system, MAX_PATH);
  std::string expected = join_path(from_wide(std::wstring_view(system, length)).value(), "msiexec.exe");
  EXPECT_EQ(lower_full(*path), lower_full(expected));
  EXPECT_TRUE(wine_test::file_exists(*path));
}

TEST(RemoveFolderTree, MissingFolderOrAFileIsLeftAsIs) {
  TempFolder dir;
  wine_test::write_file(dir / "file.txt", "x");
  remove_folder_tree(dir / "file.txt");
  remove_folder_tree(dir / "missing");
  EXPECT_TRUE(wine_test::file_exists(dir / "file.txt"));
}

}  // namespace
}  // namespace vl
