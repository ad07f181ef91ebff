#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/run_log.h"

namespace vl {
namespace {

struct Lines final : LogSink {
  std::vector<std::string> lines;
  void write_line(std::string_view line) override { lines.emplace_back(line); }
};

struct Reports final : ProgressSink {
  std::vector<InstallStep> steps;
  std::vector<float> fractions;
  void step_started(InstallStep step) override { steps.push_back(step); }
  void report_progress(float fraction, std::string_view) override { fractions.push_back(fraction); }
};

TEST(StepLog, LogsEachStepWithItsDurationAndPassesReportsOn) {
  Lines file;
  InstallLog log(&file, nullptr);
  Reports inner;
  uint64_t now = 1000;
  StepLog steps(inner, log, [&] { return now; });
  steps.step_started(InstallStep::Prepare);
  now += 15;
  steps.report_progress(0.5f, "x");
  steps.step_started(InstallStep::CopyFiles);
  now += 1200;
  steps.finish();
  steps.finish();  // the last step is logged once

  EXPECT_EQ(inner.steps, (std::vector<InstallStep>{InstallStep::Prepare, InstallStep::CopyFiles}));
  EXPECT_EQ(inner.fractions, std::vector<float>{0.5f});
  ASSERT_EQ(file.lines.size(), 2u);
  EXPECT_EQ(file.lines[0], "step " + std::string(step_label(InstallStep::Prepare)) + ": 15 ms");
  EXPECT_EQ(file.lines[1], "step " + std::string(step_label(InstallStep::CopyFiles)) + ": 1200 ms");
}

TEST(InstallLog, FailureTextReachesBothSinksAsOneLineAndSuccessOnlyTheFile) {
  struct Case {
    int exit_code;
    const char* failure;
    std::vector<std::string> file;
    std::vector<std::string> errors;
  } cases[] = {
      {2, "«C:\\x» folder\r\n\nAccess denied.",
       {"failure: «C:\\x» folder Access denied.", "exit code 2"},
       {"«C:\\x» folder Access denied."}},
      {0, "", {"exit code 0"}, {}},
      {-2147024891, "copy failed", {"failure: copy failed", "exit code 2147942405"}, {"copy failed"}},
  };
  for (const auto& c : cases) {
    Lines file, errors;
    InstallLog(&file, &errors).finished(c.exit_code, c.failure);
    EXPECT_EQ(file.lines, c.file) << c.failure;
    EXPECT_EQ(errors.lines, c.errors) << c.failure;
  }
}

}  // namespace
}  // namespace vl
