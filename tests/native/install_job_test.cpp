#include <gtest/gtest.h>

#include <cmath>

#include "install/install_job.h"
#include "native/payload_craft.h"
#include "native/payload_test_support.h"
#include "payload/copy_entries.h"

namespace vl {
namespace {

using craft::Bytes;
using S = InstallStep;

struct HeaderCase {
  const char* scenario;
  Bytes blob;
};

class UnusableBlob : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(UnusableBlob, IsTheDevelopmentBuild) {
  Result<Payload> payload = check_payload_header(GetParam().blob);
  ASSERT_FALSE(payload.ok());
  EXPECT_EQ(payload.error(), TEXT_NO_PAYLOAD);
}

Bytes cut(Bytes b, size_t n) {
  b.resize(n);
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    HeaderCheck, UnusableBlob,
    ::testing::Values(HeaderCase{"Empty", {}},
                      HeaderCase{"NineteenBytes", cut(craft::header(0, 0), 19)},
                      HeaderCase{"WrongMagic", craft::header(0, 0, 1, "VLPK")},
                      HeaderCase{"LowerCaseMagic", craft::header(0, 0, 1, "vlpl")},
                      HeaderCase{"VersionTwo", craft::header(0, 0, 2)},
                      HeaderCase{"VersionZero", craft::header(0, 0, 0)}),
    [](const auto& info) { return std::string(info.param.scenario); });

TEST(HeaderCheck, ReadsLittleEndianFiguresAndTakesTheRestAsStream) {
  Bytes blob = craft::concat({craft::header(0x0102030405060708ull, 0x0A0B0C0Du), Bytes{0xFD, '7'}});
  Result<Payload> payload = check_payload_header(blob);
  ASSERT_TRUE(payload.ok());
  EXPECT_EQ(payload->total_size, 0x0102030405060708ull);
  EXPECT_EQ(payload->entry_count, 0x0A0B0C0Du);
  EXPECT_EQ(payload->stream.data(), blob.data() + 20);
  EXPECT_EQ(payload->stream.size(), 2u);
}

TEST(HeaderCheck, TwentyBytesIsAnEmptyStream) {
  Bytes blob = craft::header(5, 1);
  Result<Payload> payload = check_payload_header(blob);
  ASSERT_TRUE(payload.ok());
  EXPECT_TRUE(payload->stream.empty());
}

struct StepListCase {
  bool legacy;
  bool webview2;
  std::vector<InstallStep> steps;
};

TEST(StepList, FollowsLegacyAndWebView2) {
  const StepListCase cases[] = {
      {false, false, {S::Prepare, S::CopyFiles, S::Register}},
      {true, false, {S::Prepare, S::CopyFiles, S::RemoveLegacy, S::Register}},
      {false, true, {S::Prepare, S::InstallWebView2, S::CopyFiles, S::Register}},
      {true, true, {S::Prepare, S::InstallWebView2, S::CopyFiles, S::RemoveLegacy, S::Register}},
  };
  for (const StepListCase& c : cases) {
    InstallJob job;
    if (c.legacy) job.legacy = LegacyClient{};
    job.provision_webview2 = c.webview2;
    EXPECT_EQ(install_steps(job), c.steps) << c.legacy << c.webview2;
  }
}

TEST(StepLabels, NoLabelEndsWithAFullStop) {
  for (std::string_view label : STEP_LABELS) {
    ASSERT_FALSE(label.empty());
    EXPECT_NE(label.back(), '.') << label;
  }
}

struct FractionCase {
  const char* scenario;
  std::vector<InstallStep> steps;
  InstallStep step;
  float f;
  double expected;
};

class OverallFraction : public ::testing::TestWithParam<FractionCase> {};

TEST_P(OverallFraction, WeighsTheStepInItsList) {
  const FractionCase& c = GetParam();
  EXPECT_NEAR(overall_fraction(c.steps, c.step, c.f), c.expected, 1e-6);
}

const std::vector<InstallStep> SHORT_LIST = {S::Prepare, S::CopyFiles, S::Register};
const std::vector<InstallStep> FULL_LIST = {S::Prepare, S::RemoveLegacy, S::InstallWebView2,
                                            S::CopyFiles, S::Register};

INSTANTIATE_TEST_SUITE_P(
    Progress, OverallFraction,
    ::testing::Values(
        FractionCase{"CopyFilesStartsAfterPrepare", SHORT_LIST, S::CopyFiles, 0.0f, 0.06 / 0.82},
        FractionCase{"CopyFilesEndsBeforeRegister", SHORT_LIST, S::CopyFiles, 1.0f, 0.76 / 0.82},
        FractionCase{"CopyFilesHalfway", SHORT_LIST, S::CopyFiles, 0.5f, (0.06 + 0.35) / 0.82},
        FractionCase{"RegisterEndsAtOne", SHORT_LIST, S::Register, 1.0f, 1.0},
        FractionCase{"PrepareHalfway", SHORT_LIST, S::Prepare, 0.5f, 0.03 / 0.82},
        FractionCase{"RemoveLegacyDoneOfFive", FULL_LIST, S::RemoveLegacy, 1.0f, 0.20 / 1.16},
        FractionCase{"WebView2DownloadOfFive", FULL_LIST, S::InstallWebView2, 0.1f, 0.22 / 1.16},
        FractionCase{"CopyFilesStartOfFive", FULL_LIST, S::CopyFiles, 0.0f, 0.40 / 1.16},
        FractionCase{"BelowZeroClamps", SHORT_LIST, S::CopyFiles, -3.0f, 0.06 / 0.82},
        FractionCase{"AboveOneClamps", SHORT_LIST, S::CopyFiles, 7.5f, 0.76 / 0.82},
        FractionCase{"NotANumberIsNoProgress", SHORT_LIST, S::CopyFiles, std::nanf(""), 0.06 / 0.82}),
    [](const auto& info) { return std::string(info.param.scenario); });

TEST(Progress, WeightsOfTheShortListSumTo082AndOfAllStepsTo116) {
  float short_sum = 0, full_sum = 0;
  for (InstallStep s : SHORT_LIST) short_sum += STEP_WEIGHTS[step_index(s)];
  for (InstallStep s : FULL_LIST) full_sum += STEP_WEIGHTS[step_index(s)];
  EXPECT_NEAR(short_sum, 0.82, 1e-6);
  EXPECT_NEAR(full_sum, 1.16, 1e-6);
}

TEST(Progress, CopyFilesReportsRunningBytesOverTotalAfterEveryChunk) {
  Bytes content = craft::concat({craft::entry("a.dll", std::string(300000, 'a')),
                                 craft::entry("verilune.exe", std::string(100, 'v'))});
  Bytes stream = craft::xz(content);
  testing_support::RecordingSink sink;
  testing_support::MemoryWriter writer;
  std::vector<std::string> installed;
  StepProgress progress(sink, SHORT_LIST, S::CopyFiles);
  ASSERT_TRUE(copy_payload_entries(Payload{stream, 300100, 2}, writer, progress, installed).ok());
  // Chunks of at most 256 KiB: 262144 and 37856 bytes of a.dll, then verilune.exe.
  ASSERT_EQ(sink.fractions.size(), 3u);
  EXPECT_NEAR(sink.fractions[0], (0.06 + 0.7 * 262144.0 / 300100.0) / 0.82, 1e-6);
  EXPECT_NEAR(sink.fractions[1], (0.06 + 0.7 * 300000.0 / 300100.0) / 0.82, 1e-6);
  EXPECT_NEAR(sink.fractions[2], 0.76 / 0.82, 1e-6);
  EXPECT_EQ(sink.details, (std::vector<std::string>{"a.dll", "a.dll", "verilune.exe"}));
}

TEST(Progress, ZeroTotalSizeReportsAgainstOne) {
  Bytes stream = craft::xz(craft::entry("a.dll", "abc"));  // the header claims 0 bytes
  testing_support::RecordingSink sink;
  testing_support::MemoryWriter writer;
  std::vector<std::string> installed;
  StepProgress progress(sink, SHORT_LIST, S::CopyFiles);
  ASSERT_TRUE(copy_payload_entries(Payload{stream, 0, 1}, writer, progress, installed).ok());
  ASSERT_EQ(sink.fractions.size(), 1u);
  EXPECT_NEAR(sink.fractions[0], 0.76 / 0.82, 1e-6);  // 3 / 1, clamped to the step's end
}

}  // namespace
}  // namespace vl
