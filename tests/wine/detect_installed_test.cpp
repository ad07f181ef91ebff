// Detection against a real registry and file system (run inside a fresh Wine prefix).
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "setup_app/detect_installed_win.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"
#include "wine/support/files.h"
#include "wine/support/registry.h"
#include "support/versions.h"

namespace vl {
namespace {

void delete_tree(HKEY root, std::string_view path, REGSAM view = wine_test::PRODUCT_VIEW) {
  // RegDeleteTreeW has no view flag; open the parent in the view and delete below it.
  std::string parent(path.substr(0, path.rfind('\\')));
  std::string leaf(path.substr(path.rfind('\\') + 1));
  UniqueKey key;
  if (RegOpenKeyExW(root, to_wide(parent).c_str(), 0, KEY_ALL_ACCESS | view, key.put()) == ERROR_SUCCESS)
    RegDeleteTreeW(key.get(), to_wide(leaf).c_str());
}

void set_value(HKEY root, std::string_view path, std::string_view name, DWORD type,
               const std::wstring& data, REGSAM view = wine_test::PRODUCT_VIEW) {
  UniqueKey key;
  ASSERT_EQ(RegCreateKeyExW(root, to_wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                            key.put(), nullptr),
            ERROR_SUCCESS);
  DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  if (type == REG_MULTI_SZ) bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  ASSERT_EQ(RegSetValueExW(key.get(), name.empty() ? nullptr : to_wide(name).c_str(), 0, type,
                           reinterpret_cast<const BYTE*>(data.c_str()), bytes),
            ERROR_SUCCESS);
}

void set_string(HKEY root, std::string_view path, std::string_view name, std::string_view text,
                REGSAM view = wine_test::PRODUCT_VIEW) {
  set_value(root, path, name, REG_SZ, to_wide(text), view);
}

using wine_test::make_temp_dir;

// An empty file at `path`.
void touch(const std::string& path) { ASSERT_TRUE(wine_test::write_file(path, "")); }

const std::string UNINSTALL_LEGACY_ROOT = std::string(UNINSTALL_ROOT);

class Detection : public ::testing::Test {
 protected:
  void SetUp() override { clean(); }
  void TearDown() override { clean(); }
  static void clean() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      delete_tree(root, UNINSTALL_KEY);
      delete_tree(root, PRODUCT_KEY);
    }
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      for (auto name : {"{LEGACY-0001}", "{LEGACY-0002}", "NotBraced", "{MSI-1}", "{MSI-2}", "MsiNoBrace"})
        delete_tree(HKEY_LOCAL_MACHINE, join_path(UNINSTALL_ROOT, name), view);
    }
  }
  static void register_install(HKEY root, const std::string& location, const char* version = nullptr,
                               const char* main_binary = nullptr) {
    set_string(root, UNINSTALL_KEY, "InstallLocation", location);
    if (version) set_string(root, UNINSTALL_KEY, "DisplayVersion", version);
    if (main_binary) set_string(root, UNINSTALL_KEY, "MainBinaryName", main_binary);
  }
};

TEST_F(Detection, NothingRegisteredMeansFreshInstall) {
  EXPECT_FALSE(detect_existing_install(PerUserRecordTrust::Full).has_value());
}

TEST_F(Detection, PerUserWinsWhenMachineFilesAreGone) {
  std::string machine_dir = make_temp_dir("machine");  // registered, but no verilune.exe
  std::string user_dir = make_temp_dir("user");
  touch(join_path(user_dir, "verilune.exe"));
  register_install(HKEY_LOCAL_MACHINE, machine_dir, "3.0.5");
  register_install(HKEY_CURRENT_USER, user_dir, test_versions::own().c_str());
  auto existing = detect_existing_install(PerUserRecordTrust::Full);
  ASSERT_TRUE(existing.has_value());
  EXPECT_EQ(existing->scope, InstallScope::CurrentUser);
  EXPECT_EQ(existing->location, user_dir);
  EXPECT_EQ(existing->version, test_versions::own());
}

TEST_F(Detection, AnElevatedRunTakesAPerUserRecordOnlyInsideTheProfile) {
  const std::string inside = make_temp_dir("in-profile");  // the temporary folder is in it
  ASSERT_TRUE(is_inside_profile(known_folder_path(FOLDERID_Profile).value(), inside)) << inside;
  const std::string foreign = "C:\\vl-foreign-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(to_wide(foreign).c_str(), nullptr));
  for (const std::string& dir : {inside, foreign}) touch(join_path(dir, "verilune.exe"));
  struct Row {
    std::string location;
    PerUserRecordTrust trust;
    bool taken;
  };
  const Row rows[] = {
      {inside, PerUserRecordTrust::InsideProfileOnly, true},
      {foreign, PerUserRecordTrust::InsideProfileOnly, false},
      {inside, PerUserRecordTrust::None, false},
      {foreign, PerUserRecordTrust::Full, true},
  };
  for (const Row& row : rows) {
    register_install(HKEY_CURRENT_USER, row.location, "3.0.5");
    EXPECT_EQ(detect_existing_install(row.trust).has_value(), row.taken) << row.location;
  }
  // Passed over, it leaves the machine's record to win even without its files.
  register_install(HKEY_LOCAL_MACHINE, "C:\\nowhere\\machine", "3.0.5");
  register_install(HKEY_CURRENT_USER, foreign, "3.0.5");
  EXPECT_EQ(detect_existing_install(PerUserRecordTrust::InsideProfileOnly)->scope,
            InstallScope::AllUsers);
  DeleteFileW(to_wide(join_path(foreign, "verilune.exe")).c_str());
  RemoveDirectoryW(to_wide(foreign).c_str());
}

TEST_F(Detection, MachineRecordFirstWhenNeitherHasFiles) {
  register_install(HKEY_LOCAL_MACHINE, "C:\\nowhere\\machine", "");
  register_install(HKEY_CURRENT_USER, "C:\\nowhere\\user", "1.0");
  auto existing = detect_existing_install(PerUserRecordTrust::Full);
  ASSERT_TRUE(existing.has_value());
  EXPECT_EQ(existing->scope, InstallScope::AllUsers);
  EXPECT_EQ(existing->version, std::nullopt);  // empty counts as absent
  EXPECT_EQ(existing->main_binary, "verilune.exe");
}

TEST_F(Detection, ProductKeyLocationComesBeforeInstallLocation) {
  std::string dir = make_temp_dir("product-key");
  touch(join_path(dir, "Signer.exe"));
  register_install(HKEY_CURRENT_USER, "C:\\other", test_versions::own().c_str(), "Signer.exe");
  set_string(HKEY_CURRENT_USER, PRODUCT_KEY, "", "  \"" + dir + "\\\\\"  ");
  auto existing = detect_existing_install(PerUserRecordTrust::Full);
  ASSERT_TRUE(existing.has_value());
  EXPECT_EQ(existing->location, dir);
  EXPECT_EQ(existing->main_binary, "Signer.exe");
}

TEST_F(Detection, BlankOrUnusableLocationsCountAsMissing) {
  set_string(HKEY_CURRENT_USER, PRODUCT_KEY, "", "   ");
  set_string(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallLocation", "\"\\\"");  // normalises to ""
  EXPECT_FALSE(detect_existing_install(PerUserRecordTrust::Full).has_value());
  // A location of another type is not read at all.
  set_value(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallLocation", REG_MULTI_SZ, std::wstring(L"C:\\x\0\0", 6));
  EXPECT_FALSE(detect_existing_install(PerUserRecordTrust::Full).has_value());
  // REG_EXPAND_SZ is taken as it stands, without expansion.
  set_value(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallLocation", REG_EXPAND_SZ, L"%LOCALAPPDATA%\\Verilune");
  ASSERT_TRUE(detect_existing_install(PerUserRecordTrust::Full).has_value());
  EXPECT_EQ(detect_existing_install(PerUserRecordTrust::Full)->location,
            "%LOCALAPPDATA%\\Verilune");
}

TEST_F(Detection, MachineRecordLivesInThe32BitView) {
  // Written by a 64-bit tool into the 64-bit view, a machine record is not ours.
  set_string(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "InstallLocation", "C:\\x64", KEY_WOW64_64KEY);
  EXPECT_FALSE(detect_existing_install(PerUserRecordTrust::Full).has_value());
  delete_tree(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, KEY_WOW64_64KEY);
  set_string(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "InstallLocation", "C:\\x86", KEY_WOW64_32KEY);
  ASSERT_TRUE(detect_existing_install(PerUserRecordTrust::Full).has_value());
  EXPECT_EQ(detect_existing_install(PerUserRecordTrust::Full)->location, "C:\\x86");
}

TEST_F(Detection, LegacyClientFoundInEitherViewWithItsFiles) {
  std::string dir = make_temp_dir("legacy-reg");
  touch(join_path(dir, "Osmira.Security.KeyClient.exe"));
  std::string key = join_path(UNINSTALL_ROOT, "{LEGACY-0002}");
  set_string(HKEY_LOCAL_MACHINE, key, "DisplayName", "VeriluneClient", KEY_WOW64_64KEY);
  set_string(HKEY_LOCAL_MACHINE, key, "DisplayVersion", "2.1.0", KEY_WOW64_64KEY);
  set_string(HKEY_LOCAL_MACHINE, key, "InstallLocation", "\"" + dir + "\\\"", KEY_WOW64_64KEY);
  auto legacy = detect_legacy_client("C:\\unused");
  ASSERT_TRUE(legacy.has_value());
  EXPECT_EQ(legacy->product_code, "{LEGACY-0002}");
  EXPECT_EQ(legacy->display_version, "2.1.0");
  EXPECT_EQ(legacy->location, dir);
}

TEST_F(Detection, LegacyClientRegistryNamesMustBeBracedAndExact) {
  set_string(HKEY_LOCAL_MACHINE, join_path(UNINSTALL_ROOT, "NotBraced"), "DisplayName", "VeriluneClient",
             KEY_WOW64_32KEY);
  set_string(HKEY_LOCAL_MACHINE, join_path(UNINSTALL_ROOT, "{LEGACY-0001}"), "DisplayName", "veriluneclient",
             KEY_WOW64_32KEY);
  EXPECT_FALSE(detect_legacy_client("C:\\unused").has_value());
}

TEST_F(Detection, LegacyClientFoundOnlyByItsFiles) {
  std::string install_dir = make_temp_dir("install-dir");
  std::string client_dir = join_path(install_dir, "VeriluneClient");
  CreateDirectoryW(to_wide(client_dir).c_str(), nullptr);
  touch(join_path(client_dir, "Osmira.Security.KeyClient.exe"));
  auto legacy = detect_legacy_client(install_dir);
  ASSERT_TRUE(legacy.has_value());
  EXPECT_EQ(legacy->product_code, std::nullopt);
  EXPECT_EQ(legacy->location, client_dir);
}

TEST_F(Detection, LegacyRegistryEntryWithoutFilesHasNoLocation) {
  std::string key = join_path(UNINSTALL_ROOT, "{LEGACY-0001}");
  set_string(HKEY_LOCAL_MACHINE, key, "DisplayName", "VeriluneClient", KEY_WOW64_32KEY);
  set_string(HKEY_LOCAL_MACHINE, key, "InstallLocation", "C:\\gone", KEY_WOW64_32KEY);
  auto legacy = detect_legacy_client(make_temp_dir("empty"));
  ASSERT_TRUE(legacy.has_value());
  EXPECT_EQ(legacy->product_code, "{LEGACY-0001}");
  EXPECT_EQ(legacy->location, std::nullopt);
}

TEST_F(Detection, PreviousMsiNeedsNamePublisherAndMsiexec) {
  std::string first = join_path(UNINSTALL_ROOT, "{MSI-1}");
  set_string(HKEY_LOCAL_MACHINE, first, "DisplayName", "Verilune");
  set_string(HKEY_LOCAL_MACHINE, first, "Publisher", "osmira");
  set_string(HKEY_LOCAL_MACHINE, first, "UninstallString", "C:\\Verilune\\uninstall.exe");
  EXPECT_EQ(detect_previous_msi(), std::nullopt);
  std::string second = join_path(UNINSTALL_ROOT, "MsiNoBrace");
  set_string(HKEY_LOCAL_MACHINE, second, "DisplayName", "Verilune");
  set_string(HKEY_LOCAL_MACHINE, second, "Publisher", "osmira");
  set_string(HKEY_LOCAL_MACHINE, second, "UninstallString", "MsiExec.exe /X{MSI-2}");
  EXPECT_EQ(detect_previous_msi(), "MsiNoBrace");
}

TEST_F(Detection, PreviousFilesSplitAtNulWithFallback) {
  EXPECT_EQ(read_previous_files(InstallScope::CurrentUser),
            std::vector<std::string>{"pkcs11-drivers\\libcastle.dylib"});
  set_value(HKEY_CURRENT_USER, UNINSTALL_KEY, "VlFiles", REG_MULTI_SZ,
            std::wstring(L"verilune.exe\0\0sub\\a.dll\0Ёё.dll\0\0", 31));
  EXPECT_EQ(read_previous_files(InstallScope::CurrentUser),
            (std::vector<std::string>{"verilune.exe", "sub\\a.dll", "Ёё.dll"}));
  // Read without a type check; an invalid piece ends the list.
  std::wstring broken = L"one.dll";
  broken.push_back(L'\0');
  broken.push_back(static_cast<wchar_t>(0xDC00));
  broken += std::wstring(L"\0two.dll\0", 9);
  set_value(HKEY_CURRENT_USER, UNINSTALL_KEY, "VlFiles", REG_BINARY, broken);
  EXPECT_EQ(read_previous_files(InstallScope::CurrentUser), std::vector<std::string>{"one.dll"});
  set_value(HKEY_CURRENT_USER, UNINSTALL_KEY, "VlFiles", REG_MULTI_SZ, std::wstring(L"\0\0", 2));
  EXPECT_EQ(read_previous_files(InstallScope::CurrentUser),
            std::vector<std::string>{"pkcs11-drivers\\libcastle.dylib"});
}

TEST_F(Detection, ProductKeyAloneIsNoRecord) {
  set_string(HKEY_CURRENT_USER, PRODUCT_KEY, "", make_temp_dir("orphan"));
  EXPECT_FALSE(detect_existing_install(PerUserRecordTrust::Full).has_value());
}

TEST_F(Detection, InvalidOrNulCutStringsReadAsTheSystemGivesThem) {
  std::string dir = make_temp_dir("strings");
  register_install(HKEY_CURRENT_USER, dir);
  std::wstring broken = L"3.0.";
  broken.push_back(static_cast<wchar_t>(0xD800));
  set_value(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayVersion", REG_SZ, broken);
  set_value(HKEY_CURRENT_USER, UNINSTALL_KEY, "MainBinaryName", REG_SZ, std::wstring(L"app.exe\0junk", 12));
  auto existing = detect_existing_install(PerUserRecordTrust::Full);
  ASSERT_TRUE(existing.has_value());
  EXPECT_EQ(existing->version, std::nullopt);  // not valid UTF-16: missing, so an Upgrade
  EXPECT_EQ(existing->main_binary, "app.exe");
}

TEST_F(Detection, LegacyEntryIn32BitViewWinsOver64Bit) {
  for (auto [name, view, version] : {std::tuple{"{LEGACY-0001}", KEY_WOW64_32KEY, "32"},
                                      std::tuple{"{LEGACY-0002}", KEY_WOW64_64KEY, "64"}}) {
    std::string key = join_path(UNINSTALL_ROOT, name);
    set_string(HKEY_LOCAL_MACHINE, key, "DisplayName", "VeriluneClient", view);
    set_string(HKEY_LOCAL_MACHINE, key, "DisplayVersion", version, view);
  }
  auto legacy = detect_legacy_client("C:\\unused");
  ASSERT_TRUE(legacy.has_value());
  EXPECT_EQ(legacy->product_code, "{LEGACY-0001}");
  EXPECT_EQ(legacy->display_version, "32");
}

TEST_F(Detection, RegisteredLegacyWithoutFilesTakesTheProbedFolder) {
  std::string key = join_path(UNINSTALL_ROOT, "{LEGACY-0001}");
  set_string(HKEY_LOCAL_MACHINE, key, "DisplayName", "VeriluneClient", KEY_WOW64_32KEY);
  set_string(HKEY_LOCAL_MACHINE, key, "InstallLocation", "C:\\gone", KEY_WOW64_32KEY);
  std::string install_dir = make_temp_dir("probe-hit");
  std::string client_dir = join_path(install_dir, "VeriluneClient");
  CreateDirectoryW(to_wide(client_dir).c_str(), nullptr);
  touch(join_path(client_dir, "Osmira.Security.KeyClient.exe"));
  auto legacy = detect_legacy_client(install_dir);
  ASSERT_TRUE(legacy.has_value());
  EXPECT_EQ(legacy->product_code, "{LEGACY-0001}");
  EXPECT_EQ(legacy->location, client_dir);
}

TEST_F(Detection, LegacyProbesProgramFilesOsmiraBeforeVerilune) {
  std::string program_files = known_folder_path(FOLDERID_ProgramFilesX86).value();
  std::string osmira = join_path(join_path(program_files, "osmira"), "VeriluneClient");
  std::string verilune = join_path(join_path(program_files, "Verilune"), "VeriluneClient");
  for (const auto& dir : {osmira, verilune}) {
    std::filesystem::create_directories(std::filesystem::path(to_wide(dir)));
    touch(join_path(dir, "Osmira.Security.KeyClient.exe"));
  }
  auto legacy = detect_legacy_client(make_temp_dir("no-client"));
  ASSERT_TRUE(legacy.has_value());
  EXPECT_EQ(legacy->location, osmira);
  std::filesystem::remove_all(std::filesystem::path(to_wide(join_path(program_files, "osmira"))));
  legacy = detect_legacy_client(make_temp_dir("no-client"));
  ASSERT_TRUE(legacy.has_value());
  EXPECT_EQ(legacy->location, verilune);
  std::filesystem::remove_all(std::filesystem::path(to_wide(join_path(program_files, "Verilune"))));
}

TEST_F(Detection, PreviousMsiIsReadInTheDefaultViewOnlyAndExactly) {
  std::string key = join_path(UNINSTALL_ROOT, "{MSI-1}");
  set_string(HKEY_LOCAL_MACHINE, key, "DisplayName", "Verilune", KEY_WOW64_64KEY);
  set_string(HKEY_LOCAL_MACHINE, key, "Publisher", "osmira", KEY_WOW64_64KEY);
  set_string(HKEY_LOCAL_MACHINE, key, "UninstallString", "MsiExec.exe /X{MSI-1}", KEY_WOW64_64KEY);
  EXPECT_EQ(detect_previous_msi(), std::nullopt);
  key = join_path(UNINSTALL_ROOT, "{MSI-2}");
  set_string(HKEY_LOCAL_MACHINE, key, "DisplayName", "Verilune");
  set_string(HKEY_LOCAL_MACHINE, key, "Publisher", "Osmira");  // case matters
  set_string(HKEY_LOCAL_MACHINE, key, "UninstallString", "MsiExec.exe /X{MSI-2}");
  EXPECT_EQ(detect_previous_msi(), std::nullopt);
}

TEST(FolderServices, DefaultDirectoriesComeFromKnownFolders) {
  FolderServices folders = system_folder_services();
  std::string machine = default_install_dir(InstallScope::AllUsers, folders);
  std::string user = default_install_dir(InstallScope::CurrentUser, folders);
  EXPECT_NE(machine.find("Program Files (x86)\\Verilune"), std::string::npos) << machine;
  EXPECT_NE(user.find("AppData\\Local\\Verilune"), std::string::npos) << user;
  EXPECT_TRUE(is_absolute_path(absolute_path("relative")));
}

TEST(FolderServices, FullPathsUseBackslashesAndResolveDots) {
  struct Case {
    const char* given;
    const char* full;
  } cases[] = {
      {"C:/Tools/Verilune", "C:\\Tools\\Verilune"},
      {"C:\\Tools\\\\x\\.\\..\\Verilune", "C:\\Tools\\Verilune"},
  };
  for (const Case& c : cases) EXPECT_EQ(system_folder_services().full_path(c.given), c.full) << c.given;
}

}  // namespace
}  // namespace vl
