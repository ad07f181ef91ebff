#pragma once
// Where a run's log goes on Windows: the file named by /LOG= and standard error.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "install/run_log.h"
#include "sys/unique_handle_win.h"

namespace vl {

// Appends each line, stamped with the local time and the process id, with one write on a
// handle opened for appending only and shared for reading and writing: the elevated copy
// appends to the same file while its parent still holds it, and lines never mix.
class FileLogSink final : public LogSink {
 public:
  explicit FileLogSink(UniqueHandle file) : file_(std::move(file)) {}
  void write_line(std::string_view line) override;

 private:
  UniqueHandle file_;
};

// The process's standard error when it has one (a GUI program has one only when it was given
// one, e.g. redirected); otherwise the lines are dropped.
class StandardErrorSink final : public LogSink {
 public:
  void write_line(std::string_view line) override;
};

// The sinks of one run: the log file when `path` is given and can be opened (created when
// missing) and, when `to_standard_error`, standard error. A file that cannot be opened is
// reported on standard error and the run goes on without it.
class RunLogSinks {
 public:
  RunLogSinks(const std::optional<std::string>& path, bool to_standard_error);
  RunLogSinks(const RunLogSinks&) = delete;
  RunLogSinks& operator=(const RunLogSinks&) = delete;
  InstallLog& log() { return log_; }

 private:
  std::optional<FileLogSink> file_;
  std::optional<StandardErrorSink> errors_;
  InstallLog log_{nullptr, nullptr};
};

// Milliseconds of a steady clock, for the step durations.
uint64_t log_clock_ms();

}  // namespace vl
