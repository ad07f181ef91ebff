#include "wine/support/processes.h"

#include <gtest/gtest.h>

#include "sys/program_launch.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "wine/support/files.h"

namespace vl::wine_test {

Started start_program(std::string_view program, std::string_view arguments) {
  std::wstring line = to_wide(quoted_command_line(program, arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  Started started;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    ADD_FAILURE() << last_error_text(program);
    return started;
  }
  CloseHandle(info.hThread);
  started.process.reset(info.hProcess);
  started.pid = info.dwProcessId;
  return started;
}

namespace {

struct WindowSearch {
  DWORD pid;
  bool found = false;
};

BOOL CALLBACK find_window_of(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t name[32];
  int length = GetClassNameW(window, name, 32);
  bool input_method = std::wstring_view(name, length > 0 ? length : 0) == L"IME";
  if (pid == search->pid && !input_method) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool wait_for_window(const Started& started, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    WindowSearch search{started.pid};
    EnumWindows(find_window_of, reinterpret_cast<LPARAM>(&search));
    if (search.found) return true;
    if (WaitForSingleObject(started.process.get(), 50) == WAIT_OBJECT_0) return false;
  }
  return false;
}

std::optional<DWORD> exit_code_within(const Started& started, std::chrono::milliseconds limit) {
  if (WaitForSingleObject(started.process.get(), static_cast<DWORD>(limit.count())) !=
      WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(started.process.get(), &code);
  return code;
}

std::optional<DWORD> run_unelevated_and_wait(const std::string& command_line) {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
  TOKEN_LINKED_TOKEN linked{};
  DWORD returned = 0;
  if (!GetTokenInformation(token.get(), TokenLinkedToken, &linked, sizeof linked, &returned))
    return std::nullopt;
  UniqueHandle limited(linked.LinkedToken);
  std::wstring command = to_wide(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessAsUserW(limited.get(), nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &startup, &info)) {
    return std::nullopt;
  }
  UniqueHandle process(info.hProcess), thread(info.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

std::wstring quote_argument(std::wstring_view argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring_view::npos) {
    return std::wstring(argument);
  }
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');  // they precede the closing quote
  out += L'"';
  return out;
}

std::optional<uint32_t> launcher_exit_code(std::string_view output) {
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
    output.remove_suffix(1);
  }
  const size_t start = output.find_last_of('\n');
  std::string_view line = start == std::string_view::npos ? output : output.substr(start + 1);
  constexpr std::string_view prefix = "exit code: ";
  if (line.substr(0, prefix.size()) != prefix) return std::nullopt;
  line.remove_prefix(prefix.size());
  if (line.empty() || line.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (char c : line) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::optional<std::map<std::string, std::string>> read_probe_record(const std::string& path,
                                                                    DWORD wait_ms) {
  ULONGLONG deadline = GetTickCount64() + wait_ms;
  for (;;) {
    if (auto text = read_file(path)) {
      std::map<std::string, std::string> record;
      size_t start = 0;
      while (start < text->size()) {
        size_t end = text->find('\n', start);
        if (end == std::string::npos) end = text->size();
        std::string line = text->substr(start, end - start);
        if (size_t eq = line.find('='); eq != std::string::npos)
          record[line.substr(0, eq)] = line.substr(eq + 1);
        start = end + 1;
      }
      return record;
    }
    if (GetTickCount64() >= deadline) return std::nullopt;
    Sleep(50);
  }
}

Child::Child(std::wstring command_line) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  UniqueHandle child_stdin;
  UniqueHandle child_stdout;
  if (!CreatePipe(child_stdin.put(), stdin_.put(), &inheritable, 0) ||
      !CreatePipe(stdout_.put(), child_stdout.put(), &inheritable, 0)) {
    start_error_ = last_error_text("CreatePipe");
    return;
  }
  // Only the child's ends are inherited.
  SetHandleInformation(stdin_.get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(stdout_.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = child_stdin.get();
  startup.hStdOutput = child_stdout.get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &info)) {
    start_error_ = last_error_text("CreateProcessW");
    return;
  }
  process_.reset(info.hProcess);
  CloseHandle(info.hThread);
  pid_ = info.dwProcessId;
}

Child::~Child() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
}

bool Child::pump() {
  DWORD available = 0;
  if (!PeekNamedPipe(stdout_.get(), nullptr, 0, nullptr, &available, nullptr)) return false;
  if (available == 0) return true;
  std::string chunk(available, '\0');
  DWORD read = 0;
  if (!ReadFile(stdout_.get(), chunk.data(), available, &read, nullptr)) return false;
  buffer_.append(chunk.data(), read);
  return true;
}

std::optional<std::string> Child::read_line(DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    const size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (!pump() || GetTickCount64() >= deadline) return std::nullopt;
    Sleep(10);
  }
}

std::string Child::read_all(DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (pump() && GetTickCount64() < deadline) Sleep(10);
  std::string text;
  for (size_t i = 0; i < buffer_.size(); ++i) {  // the C runtime's text mode writes CR LF
    if (!(buffer_[i] == '\r' && i + 1 < buffer_.size() && buffer_[i + 1] == '\n')) {
      text += buffer_[i];
    }
  }
  buffer_.clear();
  return text;
}

bool Child::write_stdin(std::string_view text) {
  DWORD written = 0;
  return stdin_ &&
         WriteFile(stdin_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

std::optional<DWORD> Child::wait(DWORD timeout_ms) {
  if (WaitForSingleObject(process_.get(), timeout_ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

ScopedEnvironment::ScopedEnvironment(std::string_view name, std::optional<std::string_view> value)
    : name_(to_wide(name)) {
  wchar_t buffer[4096];
  DWORD length = GetEnvironmentVariableW(name_.c_str(), buffer, 4096);
  if (length > 0 && length < 4096) previous_ = std::wstring(buffer, length);
  SetEnvironmentVariableW(name_.c_str(), value ? to_wide(*value).c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() {
  SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

}  // namespace vl::wine_test
