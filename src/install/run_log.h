#pragma once
// The log of one installer run, for the administrator who scripted it: the start (version and
// command line), the settled options, each install step with the time it took, the outcome and
// the failure text. The lines are made here; where they go is up to the sinks: the file named
// by /LOG= and, in an unattended run, standard error, which receives the failure text only.
// Without sinks nothing is written anywhere.
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "install/install_job.h"

namespace vl {

// Takes whole lines, each without a line break. Writing never fails a run: a sink drops what it
// cannot write. May be called from any thread.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void write_line(std::string_view line) = 0;
  // Waits, briefly, for lines that another process hands over through this sink (an elevated
  // copy's, relayed) to be written, so that the run's last lines come after them.
  virtual void collect() {}
};

// Formats the run's lines; line breaks inside a text (a failure text may have several lines)
// become single spaces so that every record stays one line. Holds no state of its own, so the
// windowed run's threads may share one.
class InstallLog {
 public:
  // Either sink may be null. Both must outlive the log.
  InstallLog(LogSink* file, LogSink* errors) : file_(file), errors_(errors) {}

  void started(std::string_view command_line);
  void relaunching(std::string_view arguments);
  // A line of the run's own, for what the lines above do not cover.
  void note(std::string_view text);
  void step(InstallStep step, uint64_t milliseconds);
  // The process exit code and, when the run failed, its failure text (empty on success).
  void finished(int exit_code, std::string_view failure_text);
  // A failure text: to the file and to standard error.
  void failure(std::string_view text);

 private:
  void write(std::string_view text);

  LogSink* file_;
  LogSink* errors_;
};

// A ProgressSink that passes every report on to `inner` and logs each step with its duration:
// a step ends where the next begins, the last one at finish(), called once after run_install.
class StepLog final : public ProgressSink {
 public:
  StepLog(ProgressSink& inner, InstallLog& log, std::function<uint64_t()> now_ms)
      : inner_(inner), log_(log), now_ms_(std::move(now_ms)) {}

  void step_started(InstallStep step) override;
  void report_progress(float fraction, std::string_view detail) override;
  void finish();

 private:
  ProgressSink& inner_;
  InstallLog& log_;
  std::function<uint64_t()> now_ms_;
  std::optional<InstallStep> current_;
  uint64_t started_at_ = 0;
};

}  // namespace vl
