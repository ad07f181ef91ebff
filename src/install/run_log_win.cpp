#include "install/run_log_win.h"

#include "install/file_placement_win.h"
#include "sys/text.h"
#include "sys/text_win.h"

namespace vl {
namespace {

void write_whole(HANDLE handle, const std::string& bytes) {
  DWORD written = 0;
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void FileLogSink::write_line(std::string_view line) {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  const std::string stamp =
      decimal_digits(time.wYear, 4) + "-" + decimal_digits(time.wMonth, 2) + "-" +
      decimal_digits(time.wDay, 2) + " " + decimal_digits(time.wHour, 2) + ":" +
      decimal_digits(time.wMinute, 2) + ":" + decimal_digits(time.wSecond, 2) + "." +
      decimal_digits(time.wMilliseconds, 3) + " [" + decimal_digits(GetCurrentProcessId()) + "] ";
  // One write per line: on a handle opened for appending only, each write lands whole at the
  // end of the file, whoever else appends.
  write_whole(file_.get(), stamp + std::string(line) + "\r\n");
}

void StandardErrorSink::write_line(std::string_view line) {
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  write_whole(handle, std::string(line) + "\r\n");
}

RunLogSinks::RunLogSinks(const std::optional<std::string>& path, bool to_standard_error) {
  if (to_standard_error) errors_.emplace();
  std::string open_failure;
  if (path) {
    constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    UniqueHandle file(CreateFileW(to_wide(*path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE, SHARE_ALL,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      file_.emplace(std::move(file));
    } else {
      open_failure = format_text(TEXT_WRITE_FAILED, {*path, system_message(GetLastError())});
    }
  }
  log_ = InstallLog(file_ ? &*file_ : nullptr, errors_ ? &*errors_ : nullptr);
  if (!open_failure.empty()) log_.failure(open_failure);
}

uint64_t log_clock_ms() { return GetTickCount64(); }

}  // namespace vl
