#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "install/webview2_win.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/text_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"
#include "wine/support/registry.h"

namespace vl {
namespace {

using wine_test::harness_program;
using wine_test::ScopedEnvironment;
using wine_test::ScratchKey;
using wine_test::TempFolder;

class RecordingSink final : public ProgressSink {
 public:
  void step_started(InstallStep step) override { started.push_back(step); }
  void report_progress(float fraction, std::string_view detail) override {
    reports.emplace_back(fraction, std::string(detail));
  }
  std::vector<InstallStep> started;
  std::vector<std::pair<float, std::string>> reports;
};

const std::vector<InstallStep> STEPS = {InstallStep::Prepare, InstallStep::InstallWebView2, InstallStep::CopyFiles,
                                        InstallStep::Register};

// A presence key used in both hives at the same relative path.
struct PresenceKeys {
  ScratchKey machine{HKEY_LOCAL_MACHINE};
  std::string path = machine.path();
  ~PresenceKeys() {
    RegDeleteTreeW(HKEY_CURRENT_USER, to_wide(path).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, to_wide(path).c_str());
  }
};

TEST(WebView2Installed, EitherHiveWithAUsableVersionCountsForOneUserTheMachinesForAll) {
  struct Case {
    const char* name;
    std::optional<std::string> machine;  // pv as REG_SZ; nullopt: not written
    std::optional<std::string> user;
    bool installed, for_all_users;
  };
  const Case cases[] = {
      {"nothing", std::nullopt, std::nullopt, false, false},
      {"machine", "120.0.2210.91", std::nullopt, true, true},
      {"user", std::nullopt, "119.0.1", true, false},
      {"zeros in HKLM, version in HKCU", "0.0.0.0", "120.0.2210.91", true, false},
      {"zeros only", "0.0.0.0", "0.0.0.0", false, false},
      {"empty only", "", std::nullopt, false, false},
  };
  for (const Case& c : cases) {
    PresenceKeys keys;
    if (c.machine) ASSERT_TRUE(wine_test::set_reg_string(HKEY_LOCAL_MACHINE, keys.path, "pv", *c.machine));
    if (c.user) ASSERT_TRUE(wine_test::set_reg_string(HKEY_CURRENT_USER, keys.path, "pv", *c.user));
    EXPECT_EQ(webview2_installed_at(keys.path, InstallScope::CurrentUser), c.installed) << c.name;
    EXPECT_EQ(webview2_installed_at(keys.path, InstallScope::AllUsers), c.for_all_users) << c.name;
  }
}

TEST(WebView2Installed, AVersionStoredAsDwordCountsAsAbsent) {
  PresenceKeys keys;
  DWORD number = 120;
  ASSERT_TRUE(wine_test::set_reg_value(HKEY_LOCAL_MACHINE, keys.path, "pv", REG_DWORD, &number, 4));
  EXPECT_FALSE(webview2_installed_at(keys.path, InstallScope::CurrentUser));
  // REG_EXPAND_SZ is accepted like REG_SZ.
  std::wstring text = L"120.0";
  ASSERT_TRUE(wine_test::set_reg_value(HKEY_CURRENT_USER, keys.path, "pv", REG_EXPAND_SZ, text.c_str(), 12));
  EXPECT_TRUE(webview2_installed_at(keys.path, InstallScope::CurrentUser));
}

TEST(WebView2Installed, ReadsTheRuntimesOwnClientKey) {
  // The prefix has no WebView2: absent, until a "pv" appears under the real client key.
  const std::string key(WEBVIEW2_CLIENT_KEY);
  ASSERT_FALSE(wine_test::get_reg_value(HKEY_CURRENT_USER, key, "pv")) << "the prefix already has WebView2";
  EXPECT_FALSE(webview2_installed(InstallScope::CurrentUser));
  ASSERT_TRUE(wine_test::set_reg_string(HKEY_CURRENT_USER, key, "pv", "120.0.2210.91"));
  EXPECT_TRUE(webview2_installed(InstallScope::CurrentUser));
  RegDeleteKeyW(HKEY_CURRENT_USER, to_wide(key).c_str());
  EXPECT_FALSE(webview2_installed(InstallScope::CurrentUser));
}

class WebView2Step : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileW(to_wide(webview2_bootstrapper_path()).c_str());
    bootstrapper_ = (temp_ / "bootstrapper.exe");
    ASSERT_TRUE(wine_test::copy_file(harness_program("probe_child"), bootstrapper_));
  }
  Status run(std::string_view source) {
    StepProgress progress(sink_, STEPS, InstallStep::InstallWebView2);
    return provision_webview2(progress, InstallScope::CurrentUser, source, keys_.path, nullptr);
  }
  std::vector<std::string> details() const {
    std::vector<std::string> out;
    for (const auto& report : sink_.reports) out.push_back(report.second);
    return out;
  }

  TempFolder temp_;
  PresenceKeys keys_;
  RecordingSink sink_;
  std::string bootstrapper_;
};

TEST_F(WebView2Step, ARuntimeFoundByNowSkipsTheDownload) {
  ASSERT_TRUE(wine_test::set_reg_string(HKEY_CURRENT_USER, keys_.path, "pv", "120.0.2210.91"));
  Status result = run(wine_test::file_url((temp_ / "absent.exe")));
  EXPECT_TRUE(result.ok());
  EXPECT_TRUE(sink_.reports.empty());
}

TEST_F(WebView2Step, RunsTheDownloadedBootstrapperSilentlyAndJudgesItsExitCode) {
  struct Case {
    const char* code;
    std::optional<std::string> failure;
  };
  const Case cases[] = {
      {"0", std::nullopt},
      {"1", "WebView2 суулгах үед 1 кодоор зогслоо. Үүнгүйгээр Verilune ажиллахгүй."},
      {"0x80070005", "WebView2 суулгах үед 2147942405 кодоор зогслоо. Үүнгүйгээр Verilune ажиллахгүй."},
      {"3010", "WebView2 суулгах үед 3010 кодоор зогслоо. Үүнгүйгээр Verilune ажиллахгүй."},
  };
  for (const Case& c : cases) {
    sink_.reports.clear();
    std::string record = temp_ / (std::string("record-") + c.code + ".txt");
    ScopedEnvironment exit_code("VL_PROBE_EXIT", c.code);
    ScopedEnvironment record_path("VL_PROBE_RECORD", record);
    Status result = run(wine_test::file_url(bootstrapper_));
    if (c.failure) {
      ASSERT_FALSE(result.ok()) << c.code;
      EXPECT_EQ(result.error(), *c.failure);
    } else {
      EXPECT_TRUE(result.ok()) << result.error();
    }
    auto seen = wine_test::read_probe_record(record);
    ASSERT_TRUE(seen) << "the bootstrapper did not run for " << c.code;
    EXPECT_EQ((*seen)["command_line"], "\"" + webview2_bootstrapper_path() + "\" /silent /install");
    EXPECT_FALSE(path_exists(webview2_bootstrapper_path())) << "the bootstrapper is deleted after its run";
    EXPECT_EQ(details(), (std::vector<std::string>{"WebView2 татаж байна…", "WebView2 суулгаж байна…"}));
    ASSERT_EQ(sink_.reports.size(), 2u);
    // Prepare 0.06, then this step 0.2 of a 1.02 total.
    EXPECT_NEAR(sink_.reports[0].first, (0.06f + 0.1f * 0.2f) / 1.02f, 1e-5);
    EXPECT_NEAR(sink_.reports[1].first, (0.06f + 0.4f * 0.2f) / 1.02f, 1e-5);
  }
}

TEST_F(WebView2Step, ASourceThatCannotBeFetchedGivesTheDownloadText) {
  Status result = run(wine_test::file_url((temp_ / "absent.exe")));
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error(), "WebView2 татаж чадсангүй. Интернэт холболтоо шалгаад дахин оролдоно уу.");
  EXPECT_EQ(details(), (std::vector<std::string>{"WebView2 татаж байна…"}));
}

TEST_F(WebView2Step, ABootstrapperThatCannotStartNamesItsPathAndStays) {
  std::string not_a_program = (temp_ / "not-a-program.exe");
  ASSERT_TRUE(wine_test::write_file(not_a_program, "this is text, not a program"));
  Status result = run(wine_test::file_url(not_a_program));
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().rfind(webview2_bootstrapper_path() + ": ", 0), 0u) << result.error();
  EXPECT_GT(result.error().size(), webview2_bootstrapper_path().size() + 2);
  EXPECT_TRUE(path_exists(webview2_bootstrapper_path()));
  DeleteFileW(to_wide(webview2_bootstrapper_path()).c_str());
}

// The test's root certificate, built with the signed stand-ins, in the machine's trusted roots
// for the object's lifetime. Wine's chain engine reads the roots once per process, so the root
// goes in before the first signature check and stays for all of it.
class TestRoot {
 public:
  TestRoot() {
    auto der = wine_test::read_file(wine_test::test_program_dir() + "\\signed\\root.der");
    if (!der) {
      ADD_FAILURE() << "the signed stand-ins are missing";
      return;
    }
    certificate_.reset(CertCreateCertificateContext(X509_ASN_ENCODING,
                                                    reinterpret_cast<const BYTE*>(der->data()),
                                                    static_cast<DWORD>(der->size())));
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (!certificate_ || !CertGetCertificateContextProperty(certificate_.get(),
                                                            CERT_SHA1_HASH_PROP_ID, hash, &size)) {
      ADD_FAILURE() << "root.der is not a certificate";
      return;
    }
    for (DWORD i = 0; i < size; ++i) {
      thumbprint += "0123456789abcdef"[hash[i] >> 4];
      thumbprint += "0123456789abcdef"[hash[i] & 15];
    }
    // Wine's registry-backed store writes its changes out when it is closed.
    Store store;
    if (!store || !CertAddCertificateContextToStore(store.get(), certificate_.get(),
                                                    CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
      ADD_FAILURE() << "cannot add the test root to the trusted roots";
    }
  }
  ~TestRoot() {
    if (!certificate_) return;
    Store store;
    PCCERT_CONTEXT found =
        store ? CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                           certificate_.get(), nullptr)
              : nullptr;
    if (found) CertDeleteCertificateFromStore(found);
  }
  std::string thumbprint;

 private:
  struct CertificateFree {
    void operator()(PCCERT_CONTEXT c) const { CertFreeCertificateContext(c); }
  };
  struct StoreClose {
    void operator()(HCERTSTORE s) const { CertCloseStore(s, 0); }
  };
  // The machine's trusted roots, open for one change.
  struct Store : std::unique_ptr<void, StoreClose> {
    Store()
        : std::unique_ptr<void, StoreClose>(CertOpenStore(
              CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root")) {}
  };
  std::unique_ptr<const CERT_CONTEXT, CertificateFree> certificate_;
};

// The download folders an elevated step left in the temporary folder.
std::vector<std::string> download_folders_left() {
  std::vector<std::string> out;
  WIN32_FIND_DATAW found;
  std::string pattern = join_path(elevated_download_parent(), "Verilune-WebView2-*");
  UniqueFindHandle find(FindFirstFileW(to_wide(pattern).c_str(), &found));
  if (!find) return out;
  do out.push_back(from_wide(found.cFileName).value_or("?"));
  while (FindNextFileW(find.get(), &found));
  return out;
}

TEST_F(WebView2Step, ElevatedRunsStartOnlyAnUnchangedBootstrapperOfTheExpectedSigner) {
  const std::string signed_dir = wine_test::test_program_dir() + "\\signed\\";
  const std::string refused = "Татаж авсан WebView2 суулгагч";
  struct Case {
    const char* name;
    std::string program;
    bool change_after_signing;
    std::optional<std::string> refusal;  // its start; nullopt: the bootstrapper runs
  };
  const Case cases[] = {
      {"unsigned", bootstrapper_, false, refused + " гарын үсэггүй тул ажиллуулсангүй."},
      {"signed by someone else", signed_dir + "someone-else.exe", false,
       refused +
           "ийн гарын үсэг Microsoft Corporation-ынх биш (Someone Else / Verilune Test Root)"},
      {"changed after signing", signed_dir + "microsoft.exe", true,
       refused + " гарын үсэг зурсны дараа өөрчлөгдсөн тул ажиллуулсангүй."},
      {"signed by itself under no root", signed_dir + "self-signed.exe", false,
       refused + "ийн гарын үсг"},
      {"correctly signed", signed_dir + "microsoft.exe", false, std::nullopt},
  };
  TestRoot root;
  const ExpectedSigner expected{MICROSOFT_SIGNER_NAME, {root.thumbprint}};
  for (const Case& c : cases) {
    std::string source = temp_ / (std::string(c.name) + ".exe");
    ASSERT_TRUE(wine_test::copy_file(c.program, source));
    if (c.change_after_signing) {
      std::string bytes = *wine_test::read_file(source);
      bytes[0x60] ^= 0x20;  // inside the DOS stub's message: covered by the signature, never run
      ASSERT_TRUE(wine_test::write_file(source, bytes));
    }
    std::string record = temp_ / (std::string(c.name) + ".record");
    ScopedEnvironment record_path("VL_PROBE_RECORD", record);
    StepProgress progress(sink_, STEPS, InstallStep::InstallWebView2);
    Status result =
        provision_webview2(progress, InstallScope::CurrentUser, wine_test::file_url(source), keys_.path, &expected);

    auto seen = wine_test::read_probe_record(record);
    std::printf("bootstrapper %-32s %s\n", c.name, result.ok() ? "ran" : result.error().c_str());
    if (c.refusal) {
      ASSERT_FALSE(result.ok()) << c.name;
      EXPECT_EQ(result.error().rfind(*c.refusal, 0), 0u) << c.name << ": " << result.error();
      EXPECT_FALSE(seen) << c.name << ": a refused bootstrapper ran";
    } else {
      EXPECT_TRUE(result.ok()) << c.name << ": " << result.error();
      ASSERT_TRUE(seen) << c.name << ": the bootstrapper did not run";
      const std::string& line = (*seen)["command_line"];
      // Below the Windows folder, out of the user's reach, not in the user's %TEMP%.
      EXPECT_EQ(line.rfind("\"" + join_path(elevated_download_parent(), "Verilune-WebView2-"), 0),
                0u)
          << line;
      EXPECT_TRUE(
          is_inside_any_separators(known_folder_path(FOLDERID_Windows).value(), line.substr(1)))
          << line;
      EXPECT_EQ((*seen)["own_delete"], "0") << "the checked file could be swapped while it ran";
    }
    EXPECT_EQ(download_folders_left(), std::vector<std::string>{}) << c.name;
  }
}

TEST(WebView2ProductStep, WithoutNetworkTheDownloadFailsWithItsText) {
  // The product's own source and key: this machine has no network and the prefix no runtime.
  ASSERT_FALSE(webview2_installed(InstallScope::CurrentUser));
  // This process is elevated (Wine), so the shared temporary path is left alone: an unelevated
  // run would delete whatever lies there before downloading.
  ASSERT_TRUE(wine_test::write_file(webview2_bootstrapper_path(), "someone's file"));
  RecordingSink sink;
  StepProgress progress(sink, STEPS, InstallStep::InstallWebView2);
  Status result = install_webview2(progress, InstallScope::CurrentUser);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error(), "WebView2 татаж чадсангүй. Интернэт холболтоо шалгаад дахин оролдоно уу.");
  EXPECT_EQ(download_folders_left(), std::vector<std::string>{})
      << "the elevated download folder stays";
  EXPECT_TRUE(path_exists(webview2_bootstrapper_path())) << "the elevated run used the shared path";
  DeleteFileW(to_wide(webview2_bootstrapper_path()).c_str());
}

}  // namespace
}  // namespace vl
