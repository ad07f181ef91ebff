// kill_after [--after FILE TEXT COUNT] <milliseconds> <program> [arguments...]
//
// Starts <program> (a plain CreateProcessW, the rest of this launcher's command line handed over
// verbatim, as run_unelevated does) and, if it is still running <milliseconds> after it was
// created, ends it with TerminateProcess: the fault tests' way of killing an installer at a
// chosen moment from outside, with no chance for it to clean up. With --after the milliseconds
// count from the moment FILE (the program's log, polled every millisecond) holds TEXT at least
// COUNT times, so that a kill can land inside a short step of the run. Prints one line on stdout:
//   "killed at <ms>"             the child was terminated (<ms> since its creation)
//   "exited <code> at <ms>"      the child ended by itself first (its full 32-bit exit code)
// and exits 0. Our own failures are a line on stderr and exit code 255.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

#include "command_tail.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace {

int fail_with(const char* what) {
  std::fprintf(stderr, "kill_after: %s (error %lu)\n", what, GetLastError());
  std::fflush(stderr);
  return 255;
}

unsigned long long elapsed_ms(const LARGE_INTEGER& since) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<unsigned long long>((now.QuadPart - since.QuadPart) * 1000 /
                                         frequency.QuadPart);
}

// How often `text` occurs in the file now (0 when it cannot be read).
size_t occurrences(const std::wstring& path, const std::string& text) {
  vl::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  size_t count = 0;
  for (size_t at = content.find(text); at != std::string::npos; at = content.find(text, at + 1)) {
    ++count;
  }
  return count;
}

struct Trigger {
  std::wstring file;
  std::string text;
  size_t count = 0;
};

}  // namespace

int wmain() {
  using namespace vl::harness;
  constexpr const char* USAGE =
      "usage: kill_after.exe [--after FILE TEXT COUNT] <milliseconds> <program> [args...]";
  std::wstring_view line = GetCommandLineW();
  auto delay = argument_token(line, program_token(line).end);
  if (!delay) return fail_with(USAGE);
  std::optional<Trigger> trigger;
  if (delay->value == L"--after") {
    auto file = argument_token(line, delay->end);
    auto text = file ? argument_token(line, file->end) : std::nullopt;
    auto count = text ? argument_token(line, text->end) : std::nullopt;
    if (!count) return fail_with(USAGE);
    trigger = Trigger{file->value, vl::from_wide(text->value).value_or(""),
                      std::wcstoul(count->value.c_str(), nullptr, 10)};
    delay = argument_token(line, count->end);
    if (!delay) return fail_with(USAGE);
  }
  auto program = argument_token(line, delay->end);
  wchar_t* end = nullptr;
  unsigned long milliseconds = std::wcstoul(delay->value.c_str(), &end, 10);
  if (!program || program->value.empty() || end == delay->value.c_str() || *end != L'\0') {
    return fail_with(USAGE);
  }
  std::wstring command_line =
      child_command_line<wchar_t>(program->value, tail_after(line, program->end));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return fail_with("CreateProcessW");
  }
  LARGE_INTEGER created;
  QueryPerformanceCounter(&created);
  vl::UniqueHandle process(info.hProcess);
  vl::UniqueHandle thread(info.hThread);

  DWORD waited = WAIT_TIMEOUT;
  if (trigger) {
    while ((waited = WaitForSingleObject(process.get(), 1)) == WAIT_TIMEOUT &&
           occurrences(trigger->file, trigger->text) < trigger->count) {
    }
  }
  if (waited == WAIT_TIMEOUT) waited = WaitForSingleObject(process.get(), milliseconds);
  if (waited == WAIT_TIMEOUT) {
    unsigned long long at = elapsed_ms(created);
    if (!TerminateProcess(process.get(), 1)) return fail_with("TerminateProcess");
    WaitForSingleObject(process.get(), INFINITE);
    std::printf("killed at %llu\n", at);
  } else if (waited == WAIT_OBJECT_0) {
    unsigned long long at = elapsed_ms(created);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return fail_with("GetExitCodeProcess");
    std::printf("exited %lu at %llu\n", code, at);
  } else {
    return fail_with("WaitForSingleObject");
  }
  std::fflush(stdout);
  return 0;
}
