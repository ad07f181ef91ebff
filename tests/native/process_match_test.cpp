#include <gtest/gtest.h>

#include <chrono>

#include "install/running_app.h"

namespace vl {
namespace {

using namespace std::chrono_literals;

const std::string kApp = "C:\\Users\\Ана\\AppData\\Local\\Verilune\\verilune.exe";

struct ImageCase {
  const char* scenario;
  std::vector<ProcessRecord> snapshot;
  std::string image;
  std::vector<uint32_t> expected;
};

class SelectByImage : public testing::TestWithParam<ImageCase> {};

TEST_P(SelectByImage, CountsTheApplicationsProcesses) {
  const ImageCase& c = GetParam();
  EXPECT_EQ(select_by_image(c.snapshot, c.image), c.expected) << c.scenario;
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, SelectByImage,
    testing::Values(
        ImageCase{"an empty (or failed) snapshot finds nothing", {}, kApp, {}},
        ImageCase{"the same image path matches",
                  {{4, "System", {}}, {812, "verilune.exe", kApp}},
                  kApp,
                  {812}},
        ImageCase{"a copy running from another folder is left alone",
                  {{812, "verilune.exe", "C:\\Temp\\verilune.exe"}},
                  kApp,
                  {}},
        ImageCase{"an unreadable image path counts as the application",
                  {{812, "verilune.exe", std::nullopt}, {900, "explorer.exe", std::nullopt}},
                  kApp,
                  {812}},
        ImageCase{"names and paths compare case-insensitively, Cyrillic included",
                  {{77, "VERILUNE.EXE", "C:\\USERS\\АНА\\APPDATA\\LOCAL\\VERILUNE\\VERILUNE.EXE"}},
                  kApp,
                  {77}},
        ImageCase{"trailing backslashes do not matter",
                  {{5, "verilune.exe", kApp + "\\"}},
                  kApp,
                  {5}},
        ImageCase{"another program's unreadable process is not counted",
                  {{9, "veriluneX.exe", std::nullopt}, {10, "erilune.exe", std::nullopt}},
                  kApp,
                  {}},
        ImageCase{"matches keep snapshot order",
                  {{30, "verilune.exe", kApp}, {12, "verilune.exe", std::nullopt},
                   {20, "verilune.exe", "D:\\verilune.exe"}, {3, "verilune.exe", kApp}},
                  kApp,
                  {30, 12, 3}},
        ImageCase{"a path without a file name matches nothing",
                  {{1, "", std::nullopt}, {2, "verilune.exe", std::nullopt}},
                  "C:\\Apps\\Verilune\\",
                  {}}),
    [](const testing::TestParamInfo<ImageCase>& info) { return "case" + std::to_string(info.index); });

TEST(SelectByName, MatchesTheFileNameOnlyInAnyCase) {
  std::vector<ProcessRecord> snapshot{
      {1, "Osmira.Security.KeyClient.exe", "C:\\A\\Osmira.Security.KeyClient.exe"},
      {2, "osmira.security.keyclient.EXE", std::nullopt},
      {3, "Osmira.Security.KeyStarter.exe", std::nullopt},
      {4, "Osmira.Security.KeyClient.exe.bak", std::nullopt},
  };
  EXPECT_EQ(select_by_name(snapshot, "Osmira.Security.KeyClient.exe"),
            (std::vector<uint32_t>{1, 2}));
  EXPECT_EQ(select_by_name(snapshot, "Osmira.Security.KeyStarter.exe"), (std::vector<uint32_t>{3}));
  EXPECT_TRUE(select_by_name(snapshot, "verilune.exe").empty());
}

TEST(GraceRule, LimitIsOneSecondOrEightWithUpdate) {
  struct Case {
    std::chrono::milliseconds elapsed;
    bool update_in_place;
    bool expired;
  };
  const Case cases[] = {
      {0ms, false, false},    {999ms, false, false}, {1000ms, false, true},
      {1050ms, false, true},  {999ms, true, false},  {7999ms, true, false},
      {8000ms, true, true},   {8150ms, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(grace_expired(c.elapsed, c.update_in_place), c.expired)
        << c.elapsed.count() << " ms, update " << c.update_in_place;
  }
  EXPECT_EQ(grace_limit(false), 1s);
  EXPECT_EQ(grace_limit(true), 8s);
}

TEST(ApplicationPaths, VeriluneFirstThenThePreviousMainBinary) {
  using Paths = std::vector<std::string>;
  EXPECT_EQ(application_paths("C:\\Apps\\Verilune", std::nullopt),
            (Paths{"C:\\Apps\\Verilune\\verilune.exe"}));
  EXPECT_EQ(application_paths("D:\\", std::string("OldVerilune.exe")),
            (Paths{"D:\\verilune.exe", "D:\\OldVerilune.exe"}));
  // The same binary under another case is waited for once.
  EXPECT_EQ(application_paths("C:\\V", std::string("VERILUNE.EXE")), (Paths{"C:\\V\\verilune.exe"}));
  // Names that would leave the install directory are not used.
  for (const char* bad : {"..\\cmd.exe", "C:\\Windows\\explorer.exe", "sub/app.exe", "", ".."}) {
    EXPECT_EQ(application_paths("C:\\V", std::string(bad)), (Paths{"C:\\V\\verilune.exe"})) << bad;
  }
}

}  // namespace
}  // namespace vl
