// kill_after <milliseconds> <program> [arguments...]
//
// Starts <program> (a plain CreateProcessW, the rest of this launcher's command line handed over
// verbatim, as run_unelevated does) and, if it is still running <milliseconds> after it was
// created, ends it with TerminateProcess: the fault tests' way of killing an installer at a
// chosen moment from outside, with no chance for it to clean up. Prints one line on stdout:
//   "killed at <ms>"             the child was terminated (<ms> since its creation)
//   "exited <code> at <ms>"      the child ended by itself first (its full 32-bit exit code)
// and exits 0. Our own failures are a line on stderr and exit code 255.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "command_tail.h"
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

}  // namespace

int wmain() {
  using namespace vl::harness;
  std::wstring_view line = GetCommandLineW();
  auto delay = argument_token(line, program_token(line).end);
  if (!delay) return fail_with("usage: kill_after.exe <milliseconds> <program> [args...]");
  auto program = argument_token(line, delay->end);
  wchar_t* end = nullptr;
  unsigned long milliseconds = std::wcstoul(delay->value.c_str(), &end, 10);
  if (!program || program->value.empty() || end == delay->value.c_str() || *end != L'\0') {
    return fail_with("usage: kill_after.exe <milliseconds> <program> [args...]");
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

  DWORD waited = WaitForSingleObject(process.get(), milliseconds);
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
