#include "install/run_log_win.h"

#include <optional>
#include <vector>

#include "install/file_placement_win.h"
#include "product/product.h"
#include "sys/elevation_win.h"
#include "sys/no_follow_win.h"
#include "sys/paths.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/threads.h"

namespace vl {
namespace {

void write_whole(HANDLE handle, const std::string& bytes) {
  DWORD written = 0;
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

constexpr DWORD RELAY_BUFFER = 64 * 1024;
constexpr DWORD COLLECT_WAIT_MS = 5000;
constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The log file of an elevated run that has no relay (see RunLogSinks): created new, below
// folders held open that are no links. Empty with the reason in `error` otherwise.
UniqueHandle create_fresh_log_file(const std::string& path, DWORD& error) {
  error = ERROR_BAD_PATHNAME;
  // A plain "X:\..." path (absolute_path has already resolved dots): a share or a device path
  // names folders this process cannot hold.
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\' ||
      path.find("\\\\") != std::string::npos)
    return {};
  const std::string folder = parent_folder(path);
  const std::string root = path.substr(0, 3);
  const std::optional<std::vector<OpenedEntry>> held = hold_folders(
      root, folder.size() > 3 ? std::string_view(folder).substr(3) : std::string_view());
  if (!held) {
    error = ERROR_CANT_ACCESS_FILE;
    return {};
  }
  // CREATE_NEW fails on any existing name, a link or a hard link to another file included;
  // FILE_FLAG_OPEN_REPARSE_POINT keeps a link made in between from being followed.
  UniqueHandle file(CreateFileW(to_wide(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE, SHARE_ALL,
                                nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) error = GetLastError();
  return file;
}

}  // namespace

std::wstring relay_pipe_name(uint32_t relay) {
  return to_wide(LOG_RELAY_PIPE_PREFIX) + std::to_wstring(relay);
}

// The parent's end: one pipe instance, served by a detached thread for the rest of the process.
// Each client's messages (whole stamped lines) are appended to the log file as they arrive;
// `session_ended` is signalled each time a client has gone and all it sent is written.
class LogRelay {
 public:
  LogRelay(UniqueHandle pipe, UniqueHandle file, UniqueHandle session_ended, uint32_t number)
      : pipe_(std::move(pipe)), file_(std::move(file)), session_ended_(std::move(session_ended)),
        number_(number) {}

  void serve() {
    std::string buffer(RELAY_BUFFER, '\0');
    for (;;) {
      // A client may have connected, or even written and gone, before this call: what it
      // wrote is still read.
      if (!ConnectNamedPipe(pipe_.get(), nullptr) && GetLastError() != ERROR_PIPE_CONNECTED &&
          GetLastError() != ERROR_NO_DATA) {
        DisconnectNamedPipe(pipe_.get());
        Sleep(100);  // a pipe that cannot connect: try again, never spin
        continue;
      }
      for (;;) {
        DWORD read = 0;
        const BOOL ok = ReadFile(pipe_.get(), buffer.data(), RELAY_BUFFER, &read, nullptr);
        if (read > 0) write_whole(file_.get(), buffer.substr(0, read));
        if (!ok && GetLastError() != ERROR_MORE_DATA) break;
      }
      DisconnectNamedPipe(pipe_.get());
      SetEvent(session_ended_.get());
    }
  }

  // After a copy has ended: a copy that never connected leaves the relay waiting for a client,
  // so connect once ourselves (busy when the copy's session is still being read), then wait
  // for the session to end.
  void collect() {
    HANDLE self =
        CreateFileW(relay_pipe_name(number_).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (self != INVALID_HANDLE_VALUE) CloseHandle(self);
    WaitForSingleObject(session_ended_.get(), COLLECT_WAIT_MS);
  }

 private:
  UniqueHandle pipe_;
  UniqueHandle file_;
  UniqueHandle session_ended_;
  uint32_t number_;
};

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
  if (bounded_) {
    write_bounded(stamp + std::string(line) + "\r\n");
  } else {
    write_whole(file_.get(), stamp + std::string(line) + "\r\n");
  }
}

void FileLogSink::write_bounded(const std::string& bytes) {
  if (dropped_.load()) return;
  UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) return;
  OVERLAPPED overlapped{};
  overlapped.hEvent = done.get();
  DWORD written = 0;
  if (WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, &overlapped))
    return;
  if (GetLastError() != ERROR_IO_PENDING) {
    dropped_ = true;  // the relay has gone: nothing later would arrive either
    return;
  }
  if (WaitForSingleObject(done.get(), RELAY_WRITE_WAIT_MS) != WAIT_OBJECT_0) {
    dropped_ = true;
    CancelIoEx(file_.get(), &overlapped);
  }
  // The buffer and the OVERLAPPED must outlive the operation, cancelled or not.
  GetOverlappedResult(file_.get(), &overlapped, &written, TRUE);
}

bool FileLogSink::duplicate_into(UniqueHandle& out) const {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), file_.get(), GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return false;
  }
  out.reset(copy);
  return true;
}

void FileLogSink::collect() {
  if (relay_) relay_->collect();
}

void StandardErrorSink::write_line(std::string_view line) {
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  write_whole(handle, std::string(line) + "\r\n");
}

RunLogSinks::RunLogSinks(const std::optional<std::string>& path, bool to_standard_error,
                         std::optional<uint32_t> relay_to) {
  if (to_standard_error) errors_.emplace();
  std::string open_failure;
  if (relay_to) {
    const std::wstring name = relay_pipe_name(*relay_to);
    for (int attempt = 0; attempt < 2; ++attempt) {
      UniqueHandle pipe(CreateFileW(
          name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
          FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
      if (pipe) {
        file_.emplace(std::move(pipe), true);
        break;
      }
      if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeW(name.c_str(), 2000)) break;
    }
  } else if (path) {
    DWORD error = ERROR_SUCCESS;
    UniqueHandle file;
    if (is_process_elevated()) {
      file = create_fresh_log_file(*path, error);
    } else {
      file.reset(CreateFileW(to_wide(*path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE, SHARE_ALL,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) error = GetLastError();
    }
    if (file) {
      file_.emplace(std::move(file));
    } else {
      open_failure = format_text(TEXT_WRITE_FAILED, {*path, system_message(error)});
    }
  }
  log_ = InstallLog(file_ ? &*file_ : nullptr, errors_ ? &*errors_ : nullptr);
  if (!open_failure.empty()) log_.failure(open_failure);
}

std::optional<uint32_t> RunLogSinks::start_relay() {
  if (!file_) return std::nullopt;
  const uint32_t number = GetCurrentProcessId();
  UniqueHandle pipe(CreateNamedPipeW(
      relay_pipe_name(number).c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
      RELAY_BUFFER, 0, nullptr));
  UniqueHandle file;
  UniqueHandle ended(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!pipe || !ended || !file_->duplicate_into(file)) return std::nullopt;
  auto relay =
      std::make_shared<LogRelay>(std::move(pipe), std::move(file), std::move(ended), number);
  Thread thread;
  thread.start([relay] { relay->serve(); });
  thread.detach();
  file_->relay(relay);
  return number;
}

uint64_t log_clock_ms() { return GetTickCount64(); }

}  // namespace vl
