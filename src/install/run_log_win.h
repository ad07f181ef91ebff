#pragma once
// Where a run's log goes on Windows: the file named by /LOG= and standard error.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "install/run_log.h"
#include "sys/unique_handle_win.h"

namespace vl {

// The pipe through which an elevated copy's lines reach its parent's log file (RunLogSinks).
class LogRelay;

// Appends each line, stamped with the local time and the process id, with one write on a
// handle opened for appending only and shared for reading and writing: the elevated copy
// appends to the same file while its parent still holds it, and lines never mix. The handle
// may also be a pipe: the resumed copy's sink is the client end of its parent's relay. Such a
// handle, opened for overlapped writes, is `bounded`: a line that cannot be handed over within
// RELAY_WRITE_WAIT_MS (a parent that is suspended, or that is itself stalled writing to its file)
// is cancelled, and it and every later line are dropped, so that a stalled reader never holds
// up the run.
inline constexpr unsigned RELAY_WRITE_WAIT_MS = 2000;
class FileLogSink final : public LogSink {
 public:
  explicit FileLogSink(UniqueHandle file, bool bounded = false)
      : file_(std::move(file)), bounded_(bounded) {}
  void write_line(std::string_view line) override;
  void collect() override;
  // Lines relayed from an elevated copy are appended to this sink's file as they come.
  void relay(std::shared_ptr<LogRelay> relay) { relay_ = std::move(relay); }
  // A second handle to the same file, for the relay's thread; false when it cannot be made.
  bool duplicate_into(UniqueHandle& out) const;

 private:
  void write_bounded(const std::string& bytes);

  UniqueHandle file_;
  bool bounded_ = false;
  std::atomic<bool> dropped_{false};
  std::shared_ptr<LogRelay> relay_;
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
//
// The installer's elevated copy must not open a path the user named with administrator rights
// (it would create or append to any file, through any link, as administrator). So its parent,
// which opened the file with the user's rights, keeps a relay: a named pipe (inbound, local
// clients only) that appends the lines it receives to the file. The copy is handed only the
// relay's number, builds the pipe's name itself and connects allowing identification only (a
// server that is not its parent cannot act with its rights); it opens no other path. A copy
// without a relay writes no file.
//
// An elevated run that was started so (not a resumed copy) has no unelevated parent to write
// for it. It opens the named path with administrator rights only as a new file: the path must
// be a plain drive path, every folder on the way is held open, none of them a link or a
// junction, while the file is created, and the file itself must not exist (nor a link under its
// name). Otherwise the run goes on without the file and says why on standard error.
class RunLogSinks {
 public:
  // `relay_to`: this is a resumed copy; its file sink is the parent's relay of that number.
  RunLogSinks(const std::optional<std::string>& path, bool to_standard_error,
              std::optional<uint32_t> relay_to = std::nullopt);
  // Starts the relay into the open log file; its number for --vl-log-relay=, or nullopt
  // without a log file or when the pipe cannot be made (the copy then logs nothing).
  std::optional<uint32_t> start_relay();
  RunLogSinks(const RunLogSinks&) = delete;
  RunLogSinks& operator=(const RunLogSinks&) = delete;
  InstallLog& log() { return log_; }

 private:
  std::optional<FileLogSink> file_;
  std::optional<StandardErrorSink> errors_;
  InstallLog log_{nullptr, nullptr};
};

// The relay's pipe, built by both ends from its number alone: no name the user gave reaches
// the copy.
std::wstring relay_pipe_name(uint32_t relay);

// Milliseconds of a steady clock, for the step durations.
uint64_t log_clock_ms();

}  // namespace vl
