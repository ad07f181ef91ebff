#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "install/file_placement_win.h"
#include "install/install_job.h"
#include "install/run_install.h"
#include "native/payload_craft.h"
#include "native/payload_test_support.h"
#include "payload/copy_entries.h"
#include "payload/embedded_payload_win.h"
#include "payload/payload_reader.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "wine/support/files.h"

namespace vl {
namespace {

using namespace wine_test;
using craft::Bytes;
using testing_support::RecordingSink;
using S = InstallStep;

const char* const SHIPPED[] = {"ShuttleCsp11_3003.dll", "cryptoide_pkcs11.dll", "eTPKCS11.dll",
                               "eToken.dll", "eps2003csp11.dll", "eps2003csp11v2.dll",
                               "eps2003csp11x32.dll", "uninstall.exe", "verilune.exe"};

std::string content_of(std::string_view name, int version) {
  return "v" + std::to_string(version) + " " + std::string(name) + " " +
         craft::noise(1000 + name.size() * 100, static_cast<uint32_t>(name.size() + version));
}

struct BuiltPayload {
  Bytes blob;
  Payload payload;
};

BuiltPayload build_payload(const std::vector<std::string>& names, int version,
                           std::optional<uint64_t> short_last = std::nullopt) {
  Bytes content;
  uint64_t total = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string data = content_of(names[i], version);
    std::optional<uint64_t> declared;
    if (short_last && i + 1 == names.size()) declared = data.size() + *short_last;
    Bytes entry = craft::entry(names[i], data, declared);
    content.insert(content.end(), entry.begin(), entry.end());
    total += declared.value_or(data.size());
  }
  BuiltPayload out;
  out.blob = craft::concat({craft::header(total, static_cast<uint32_t>(names.size())), craft::xz(content)});
  out.payload = check_payload_header(out.blob).value();
  return out;
}

std::vector<std::string> shipped_names() { return std::vector<std::string>(std::begin(SHIPPED), std::end(SHIPPED)); }

ProgressSink& silent_sink() {
  static SilentProgressSink sink;
  return sink;
}

InstallJob job_for(const std::string& dir) {
  InstallJob job;
  job.install_dir = dir;
  return job;
}

TEST(RunInstall, FreshFolderGetsEveryFileWithStepsAndProgressInOrder) {
  TempFolder root;
  std::string dir = root / "Programs\\Verilune";  // parents are missing too
  BuiltPayload built = build_payload(shipped_names(), 1);
  RecordingSink sink;
  Status result = run_install(job_for(dir), built.payload, sink);
  ASSERT_TRUE(result.ok()) << result.error();

  for (const char* name : SHIPPED) {
    EXPECT_EQ(read_file(join_path(dir, name)), content_of(name, 1)) << name;
    EXPECT_FALSE(path_exists(join_path(dir, name) + ".vl-new")) << name;
  }
  EXPECT_EQ(sink.steps, (std::vector<InstallStep>{S::Prepare, S::CopyFiles, S::Register}));
  ASSERT_FALSE(sink.fractions.empty());
  EXPECT_EQ(sink.fractions.front(), 0.0f);
  EXPECT_FLOAT_EQ(sink.fractions.back(), 1.0f);
  for (size_t i = 1; i < sink.fractions.size(); ++i) {
    EXPECT_GE(sink.fractions[i], sink.fractions[i - 1]) << "report " << i;
  }
  // Prepare: 0, 0.5, 1.0 of its share; CopyFiles starts at 0.06/0.82 with an empty detail.
  EXPECT_NEAR(sink.fractions[1], 0.03f / 0.82f, 1e-6);
  EXPECT_NEAR(sink.fractions[3], 0.06f / 0.82f, 1e-6);
  EXPECT_EQ(sink.details[3], "");
  EXPECT_EQ(sink.details[4], "ShuttleCsp11_3003.dll");
}

TEST(RunInstall, AgainOverItselfIsARepair) {
  TempFolder root;
  std::string dir = root / "Verilune";
  RecordingSink first_sink;
  ASSERT_TRUE(run_install(job_for(dir), build_payload(shipped_names(), 1).payload, first_sink).ok());

  InstallJob repair = job_for(dir);
  repair.previous_files = shipped_names();
  repair.previous_main_binary = "verilune.exe";
  BuiltPayload second = build_payload(shipped_names(), 2);
  RecordingSink sink;
  Status result = run_install(repair, second.payload, sink);
  ASSERT_TRUE(result.ok()) << result.error();
  for (const char* name : SHIPPED) {
    EXPECT_EQ(read_file(join_path(dir, name)), content_of(name, 2)) << name;
    EXPECT_FALSE(path_exists(join_path(dir, name) + ".vl-old0")) << name;
  }
}

TEST(RunInstall, UpgradeRemovesWhatIsNoLongerShippedAndTheOldMainBinary) {
  TempFolder root;
  std::string dir = root / "Verilune";
  std::vector<std::string> old_names = {"eToken.dll", "pkcs11-drivers\\libcastle.dylib",
                                        "legacy\\sub\\old.dll", "verilune-old.exe"};
  ASSERT_TRUE(run_install(job_for(dir), build_payload(old_names, 1).payload, silent_sink()).ok());
  ASSERT_TRUE(path_exists(join_path(dir, "legacy\\sub\\old.dll")));

  InstallJob upgrade = job_for(dir);
  upgrade.previous_files = {"ETOKEN.DLL", "pkcs11-drivers\\libcastle.dylib", "legacy\\sub\\old.dll"};
  upgrade.previous_main_binary = "verilune-old.exe";
  RecordingSink sink;
  ASSERT_TRUE(run_install(upgrade, build_payload(shipped_names(), 2).payload, sink).ok());
  EXPECT_EQ(read_file(join_path(dir, "eToken.dll")), content_of("eToken.dll", 2));
  EXPECT_FALSE(path_exists(join_path(dir, "pkcs11-drivers")));
  EXPECT_FALSE(path_exists(join_path(dir, "legacy")));
  EXPECT_FALSE(path_exists(join_path(dir, "verilune-old.exe")));
  EXPECT_TRUE(path_exists(join_path(dir, "verilune.exe")));
}

TEST(RunInstall, TruncatedEntryLeavesEveryOldFileAndStopsBeforeRegister) {
  TempFolder root;
  std::string dir = root / "Verilune";
  ASSERT_TRUE(run_install(job_for(dir), build_payload({"a.dll", "eToken.dll"}, 1).payload,
                          silent_sink())
                  .ok());
  BuiltPayload short_payload = build_payload({"a.dll", "eToken.dll"}, 2, /*missing bytes*/ 10);
  RecordingSink sink;
  Status result = run_install(job_for(dir), short_payload.payload, sink);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error(), "payload: eToken.dll truncated");
  // a.dll was whole, but a failed run places nothing: no old file replaced, no new one left.
  for (const char* name : {"a.dll", "eToken.dll"}) {
    EXPECT_EQ(read_file(join_path(dir, name)), content_of(name, 1)) << name;
    EXPECT_FALSE(path_exists(join_path(dir, std::string(name) + ".vl-new"))) << name;
  }
  EXPECT_EQ(sink.steps, (std::vector<InstallStep>{S::Prepare, S::CopyFiles}));
}

TEST(RunInstall, DamagedStreamFailsBeforeRegister) {
  TempFolder root;
  BuiltPayload built = build_payload(shipped_names(), 1);
  built.blob[built.blob.size() / 2] ^= 0x55;
  Payload payload = check_payload_header(built.blob).value();
  RecordingSink sink;
  Status result = run_install(job_for(root / "Verilune"), payload, sink);
  ASSERT_FALSE(result.ok());
  EXPECT_TRUE(result.error() == "lzma data error" ||
              result.error() == "payload is damaged (lzma data error) — download the installer again")
      << result.error();
  EXPECT_EQ(sink.steps, (std::vector<InstallStep>{S::Prepare, S::CopyFiles}));
}

TEST(RunInstall, CutDownloadStopsInPrepareBeforeAnythingIsTouched) {
  // Not even the folder: the application, an earlier MSI install and the legacy client stay.
  TempFolder root;
  std::string dir = root / "Verilune";
  BuiltPayload built = build_payload(shipped_names(), 1);
  built.blob.resize(built.blob.size() - 100);
  Payload payload = check_payload_header(built.blob).value();
  RecordingSink sink;
  Status result = run_install(job_for(dir), payload, sink);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error(), format_text(TEXT_PAYLOAD_DAMAGED, {TEXT_PREMATURE_EOF}));
  EXPECT_EQ(sink.steps, (std::vector<InstallStep>{S::Prepare}));
  EXPECT_FALSE(path_exists(dir));
}

TEST(RunInstall, FolderThatCannotBeCreatedFailsInPrepare) {
  TempFolder root;
  ASSERT_TRUE(write_file(root / "blocker", "a file"));
  std::string dir = root / "blocker\\Verilune";
  RecordingSink sink;
  Status result = run_install(job_for(dir), build_payload({"a.dll"}, 1).payload, sink);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().rfind("«" + dir + "» хавтсыг үүсгэж чадсангүй.\n", 0), 0u) << result.error();
  EXPECT_EQ(sink.steps, (std::vector<InstallStep>{S::Prepare}));
}

TEST(RunInstall, ZeroEntriesStillRegisters) {
  TempFolder root;
  BuiltPayload built = build_payload({}, 1);
  RecordingSink sink;
  ASSERT_TRUE(run_install(job_for(root / "Verilune"), built.payload, sink).ok());
  EXPECT_EQ(sink.steps, (std::vector<InstallStep>{S::Prepare, S::CopyFiles, S::Register}));
  EXPECT_FLOAT_EQ(sink.fractions.back(), 1.0f);
}

TEST(RunInstall, StepListFollowsTheJob) {
  TempFolder root;
  InstallJob job = job_for(root / "Verilune");
  job.legacy = LegacyClient{};
  job.provision_webview2 = true;
  // A runtime present by the time the step runs: the step has nothing to download.
  const wchar_t* client_key = L"Software\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, client_key, L"pv", REG_SZ, L"1.0", 8), ERROR_SUCCESS);
  RecordingSink sink;
  Status result = run_install(job, build_payload({"a.dll"}, 1).payload, sink);
  RegDeleteKeyW(HKEY_CURRENT_USER, client_key);
  ASSERT_TRUE(result.ok()) << result.error();
  EXPECT_EQ(sink.steps, (std::vector<InstallStep>{S::Prepare, S::InstallWebView2, S::CopyFiles,
                                                  S::RemoveLegacy, S::Register}));
}

TEST(RunInstall, FileInUseWithoutDeleteSharingNamesOnlyTheFile) {
  TempFolder root;
  std::string dir = root / "Verilune";
  ASSERT_TRUE(run_install(job_for(dir), build_payload({"eToken.dll"}, 1).payload,
                          silent_sink())
                  .ok());
  UniqueHandle held = hold(join_path(dir, "eToken.dll"), FILE_SHARE_READ);
  RecordingSink sink;
  Status result = run_install(job_for(dir), build_payload({"eToken.dll"}, 2).payload, sink);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error(), format_text(TEXT_FILE_IN_USE, {"eToken.dll"}));
  EXPECT_FALSE(path_exists(join_path(dir, "eToken.dll.vl-new")));
}

// ---- the embedded payload ---------------------------------------------------------------

TEST(EmbeddedPayload, AbsentFromAProgramWithoutOne) {
  EXPECT_TRUE(find_embedded_payload().empty());
}

TEST(EmbeddedPayload, ReadsThePayloadResourceOfAModuleInPlace) {
  TempFolder dir;
  std::string copy = dir / "with-payload.exe";
  ASSERT_TRUE(CopyFileW(to_wide(test_program_dir() + "\\idle_app.exe").c_str(), to_wide(copy).c_str(), FALSE));
  BuiltPayload built = build_payload({"a.dll", "verilune.exe"}, 1);
  HANDLE update = BeginUpdateResourceW(to_wide(copy).c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(UpdateResourceW(update, RT_RCDATA, L"PAYLOAD", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                              built.blob.data(), static_cast<DWORD>(built.blob.size())));
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));

  UniqueModule module(LoadLibraryExW(to_wide(copy).c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(module.valid());
  std::span<const uint8_t> found = find_embedded_payload(module.get());
  ASSERT_EQ(found.size(), built.blob.size());
  EXPECT_TRUE(std::equal(found.begin(), found.end(), built.blob.begin()));
  Result<Payload> payload = check_payload_header(found);
  ASSERT_TRUE(payload.ok());
  EXPECT_EQ(payload->entry_count, 2u);
}

// The installer that scripts/build-installer made: the one VL_TEST_INSTALLER names, otherwise
// the one scripts/test builds with the sample payload for this build's architecture
// (build/e2e/VeriluneSetup.exe; the x86_64 twin's in build/e2e64). Its blob
// passes the header check, installs into a fresh folder and again over it (a repair); the
// placed files equal the staged sample payload when that is what it carries.
TEST(EmbeddedPayload, BuiltInstallerInstallsItsPayloadAndRepairsIt) {
  const char* named = std::getenv("VL_TEST_INSTALLER");
  std::string build = test_program_dir() + "\\..\\..";
#if defined(_WIN64)
  const char* sample_installer = "\\e2e64\\VeriluneSetup.exe";
#else
  const char* sample_installer = "\\e2e\\VeriluneSetup.exe";
#endif
  std::string installer = named && *named ? std::string(named) : build + sample_installer;
  if (!path_exists(installer)) GTEST_SKIP() << "no installer built with a payload at " << installer;
  UniqueModule module(LoadLibraryExW(to_wide(installer).c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(module.valid()) << installer;
  Result<Payload> payload = check_payload_header(find_embedded_payload(module.get()));
  ASSERT_TRUE(payload.ok()) << payload.error();

  TempFolder root;
  std::string dir = root / "Verilune";
  RecordingSink sink;
  Status fresh = run_install(job_for(dir), *payload, sink);
  ASSERT_TRUE(fresh.ok()) << fresh.error();
  ASSERT_TRUE(path_exists(join_path(dir, "verilune.exe")));

  // Which files were placed, in payload order, read back from the progress details.
  std::vector<std::string> placed;
  for (const std::string& detail : sink.details) {
    if (!detail.empty() && (placed.empty() || placed.back() != detail)) placed.push_back(detail);
  }
  EXPECT_EQ(placed.size(), payload->entry_count);
  EXPECT_EQ(placed.back(), "verilune.exe");

  InstallJob repair = job_for(dir);
  repair.previous_files = placed;
  repair.previous_main_binary = "verilune.exe";
  Status repaired = run_install(repair, *payload, silent_sink());
  ASSERT_TRUE(repaired.ok()) << repaired.error();

  std::string sample = build + "\\sample-payload";
  for (const std::string& name : placed) {
    EXPECT_TRUE(path_exists(join_path(dir, name))) << name;
    EXPECT_FALSE(path_exists(join_path(dir, name) + ".vl-new")) << name;
    if (!named && path_exists(join_path(sample, name))) {
      EXPECT_EQ(read_file(join_path(dir, name)), read_file(join_path(sample, name))) << name;
    }
  }
  std::printf("[ info ] installed and repaired %u entries, %llu bytes from %s\n", payload->entry_count,
              static_cast<unsigned long long>(payload->total_size), installer.c_str());
}

}  // namespace
}  // namespace vl
