#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "install/install_steps.h"
#include "install/webview2_win.h"
#include "sys/folders_win.h"
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

TEST(WebView2Installed, EitherHiveWithAUsableVersionCounts) {
  struct Case {
    const char* name;
    std::optional<std::string> machine;  // pv as REG_SZ; nullopt: not written
    std::optional<std::string> user;
    bool installed;
  };
  const Case cases[] = {
      {"nothing", std::nullopt, std::nullopt, false},
      {"machine", "120.0.2210.91", std::nullopt, true},
      {"user", std::nullopt, "119.0.1", true},
      {"zeros in HKLM, version in HKCU", "0.0.0.0", "120.0.2210.91", true},
      {"zeros only", "0.0.0.0", "0.0.0.0", false},
      {"empty only", "", std::nullopt, false},
  };
  for (const Case& c : cases) {
    PresenceKeys keys;
    if (c.machine) ASSERT_TRUE(wine_test::set_reg_string(HKEY_LOCAL_MACHINE, keys.path, "pv", *c.machine));
    if (c.user) ASSERT_TRUE(wine_test::set_reg_string(HKEY_CURRENT_USER, keys.path, "pv", *c.user));
    EXPECT_EQ(webview2_installed_at(keys.path), c.installed) << c.name;
  }
}

TEST(WebView2Installed, AVersionStoredAsDwordCountsAsAbsent) {
  PresenceKeys keys;
  DWORD number = 120;
  ASSERT_TRUE(wine_test::set_reg_value(HKEY_LOCAL_MACHINE, keys.path, "pv", REG_DWORD, &number, 4));
  EXPECT_FALSE(webview2_installed_at(keys.path));
  // REG_EXPAND_SZ is accepted like REG_SZ.
  std::wstring text = L"120.0";
  ASSERT_TRUE(wine_test::set_reg_value(HKEY_CURRENT_USER, keys.path, "pv", REG_EXPAND_SZ, text.c_str(), 12));
  EXPECT_TRUE(webview2_installed_at(keys.path));
}

TEST(WebView2Installed, ReadsTheRuntimesOwnClientKey) {
  // The prefix has no WebView2: absent, until a "pv" appears under the real client key.
  const std::string key(WEBVIEW2_CLIENT_KEY);
  ASSERT_FALSE(wine_test::get_reg_value(HKEY_CURRENT_USER, key, "pv")) << "the prefix already has WebView2";
  EXPECT_FALSE(webview2_installed());
  ASSERT_TRUE(wine_test::set_reg_string(HKEY_CURRENT_USER, key, "pv", "120.0.2210.91"));
  EXPECT_TRUE(webview2_installed());
  RegDeleteKeyW(HKEY_CURRENT_USER, to_wide(key).c_str());
  EXPECT_FALSE(webview2_installed());
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
    return provision_webview2(progress, source, keys_.path);
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

TEST(WebView2ProductStep, WithoutNetworkTheDownloadFailsWithItsText) {
  // The product's own source and key: this machine has no network and the prefix no runtime.
  ASSERT_FALSE(webview2_installed());
  RecordingSink sink;
  StepProgress progress(sink, STEPS, InstallStep::InstallWebView2);
  Status result = install_webview2(progress);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error(), "WebView2 татаж чадсангүй. Интернэт холболтоо шалгаад дахин оролдоно уу.");
}

}  // namespace
}  // namespace vl
