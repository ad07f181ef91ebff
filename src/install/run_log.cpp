#include "install/run_log.h"

#include <string>

namespace vl {
namespace {

// Each run of CR and LF becomes one space.
std::string one_line(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool in_break = false;
  for (char c : text) {
    const bool is_break = c == '\r' || c == '\n';
    if (is_break && !in_break) out += ' ';
    if (!is_break) out += c;
    in_break = is_break;
  }
  return out;
}

}  // namespace

void InstallLog::write(std::string_view text) {
  if (file_) file_->write_line(one_line(text));
}

void InstallLog::started(std::string_view command_line) {
  write(std::string(INSTALLER_NAME) + " " + std::string(OWN_VERSION) +
        " started: " + std::string(command_line));
}

void InstallLog::relaunching(std::string_view arguments) {
  write("relaunching elevated: " + std::string(arguments));
}

void InstallLog::note(std::string_view text) { write(text); }

void InstallLog::step(InstallStep step, uint64_t milliseconds) {
  write("step " + std::string(step_label(step)) + ": " + std::to_string(milliseconds) + " ms");
}

void InstallLog::finished(int exit_code, std::string_view failure_text) {
  if (file_) file_->collect();
  // Shown as Windows shows it: the child's code may be an HRESULT.
  if (!failure_text.empty()) failure(failure_text);
  write("exit code " + std::to_string(static_cast<uint32_t>(exit_code)));
}

void InstallLog::failure(std::string_view text) {
  write("failure: " + std::string(text));
  if (errors_) errors_->write_line(one_line(text));
}

void StepLog::step_started(InstallStep step) {
  finish();
  current_ = step;
  started_at_ = now_ms_();
  inner_.step_started(step);
}

void StepLog::report_progress(float fraction, std::string_view detail) {
  inner_.report_progress(fraction, detail);
}

void StepLog::finish() {
  if (!current_) return;
  log_.step(*current_, now_ms_() - started_at_);
  current_.reset();
}

}  // namespace vl
