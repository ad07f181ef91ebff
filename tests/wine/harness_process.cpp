#include "wine/harness_process.h"

#include <string>

#include "sys/text_win.h"

namespace vl::testing {

namespace {

std::wstring environment_value(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::wstring parent_of(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

std::wstring test_program_dir() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return parent_of(path);
}

std::wstring harness_program(std::wstring_view file_name) {
  return test_program_dir() + L"\\" + std::wstring(file_name);
}

std::wstring sample_payload_dir() {
  std::wstring dir = environment_value(L"VL_SAMPLE_PAYLOAD_DIR");
  if (!dir.empty()) return dir;
  return parent_of(test_program_dir()) + L"\\sample-payload";
}

std::wstring make_temp_dir(std::wstring_view tag) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  static unsigned counter = 0;
  for (;;) {
    std::wstring dir = std::wstring(temp) + L"vl-" + std::wstring(tag) + L"-" +
                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(++counter);
    if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
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
  return stdin_ && WriteFile(stdin_.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                             nullptr) &&
         written == text.size();
}

std::optional<DWORD> Child::wait(DWORD timeout_ms) {
  if (WaitForSingleObject(process_.get(), timeout_ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

}  // namespace vl::testing
