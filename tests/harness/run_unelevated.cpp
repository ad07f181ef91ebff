// run_unelevated [--elevated] <program> [arguments...]
//
// Starts <program> with the current user's non-elevated token, waits for it and prints one line
// "exit code: <unsigned decimal>" with the child's full 32-bit exit code on stdout, then exits 0.
// Wine runs every process elevated and hands only the low 8 bits of an exit status to Linux, so
// tests start the programs under test through this launcher and read the code from its output.
// With --elevated the child is started with a plain CreateProcessW (our own, elevated token) and
// the output is the same, so every exit code is read the same way.
//
// The child's command line is the program in double quotes followed by the rest of this
// launcher's own command line exactly as it was written: the arguments are not re-parsed or
// re-quoted, so a child that reads its raw command line (an installer's "/D=C:\Program Files\x")
// sees the text the test wrote. Only the launcher's own tokens (its name, --elevated and the
// program) are split off, with the C runtime's rules (tests/harness/command_tail.h).
//
// The child inherits the launcher's standard handles, so its console output precedes the
// "exit code:" line, which is always the last line. Our own failures (bad usage, no
// non-elevated token, the child cannot start) are a line on stderr and exit code 255.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "command_tail.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace {

constexpr int LAUNCHER_FAILED = 255;

int fail_with(const std::string& text) {
  std::fprintf(stderr, "run_unelevated: %s\n", text.c_str());
  std::fflush(stderr);
  return LAUNCHER_FAILED;
}

struct Request {
  bool elevated = false;
  std::wstring program;
  std::wstring command_line;
};

std::optional<Request> parse_request(std::wstring_view line) {
  using namespace vl::harness;
  Request request;
  auto token = argument_token(line, program_token(line).end);
  if (token && token->value == L"--elevated") {
    request.elevated = true;
    token = argument_token(line, token->end);
  }
  if (!token || token->value.empty()) return std::nullopt;
  request.program = token->value;
  request.command_line =
      child_command_line<wchar_t>(request.program, tail_after(line, token->end));
  return request;
}

struct TokenResult {
  vl::UniqueHandle token;
  std::string error;
};

// A primary token without administrator rights for this user: the linked (filtered) token of an
// elevated token, or a copy of our own token when it is not elevated already.
TokenResult unelevated_token() {
  TokenResult result;
  vl::UniqueHandle own;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY,
                        own.put())) {
    result.error = vl::last_error_text("OpenProcessToken");
    return result;
  }
  TOKEN_ELEVATION_TYPE type{};
  DWORD size = 0;
  if (!GetTokenInformation(own.get(), TokenElevationType, &type, sizeof type, &size)) {
    result.error = vl::last_error_text("GetTokenInformation(TokenElevationType)");
    return result;
  }
  vl::UniqueHandle source;
  if (type == TokenElevationTypeFull) {
    TOKEN_LINKED_TOKEN linked{};
    if (!GetTokenInformation(own.get(), TokenLinkedToken, &linked, sizeof linked, &size)) {
      result.error = vl::last_error_text("GetTokenInformation(TokenLinkedToken)");
      return result;
    }
    source.reset(linked.LinkedToken);
  } else {
    TOKEN_ELEVATION elevation{};
    if (!GetTokenInformation(own.get(), TokenElevation, &elevation, sizeof elevation, &size)) {
      result.error = vl::last_error_text("GetTokenInformation(TokenElevation)");
      return result;
    }
    if (elevation.TokenIsElevated) {
      result.error = "this process is elevated without a linked token (UAC is off)";
      return result;
    }
    source = std::move(own);
  }
  // CreateProcessAsUserW wants a primary token; the linked token may be an impersonation one.
  if (!DuplicateTokenEx(source.get(), MAXIMUM_ALLOWED, nullptr, SecurityImpersonation,
                        TokenPrimary, result.token.put())) {
    result.error = vl::last_error_text("DuplicateTokenEx");
  }
  return result;
}

// Lets the child write to our stdout and stderr (best effort: a handle that cannot be made
// inheritable is simply not passed on).
STARTUPINFOW startup_with_std_handles() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  HANDLE* slots[] = {&startup.hStdInput, &startup.hStdOutput, &startup.hStdError};
  const DWORD ids[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  for (int i = 0; i < 3; ++i) {
    HANDLE handle = GetStdHandle(ids[i]);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE &&
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
      *slots[i] = handle;
    }
  }
  return startup;
}

}  // namespace

int wmain() {
  const auto request = parse_request(GetCommandLineW());
  if (!request) return fail_with("usage: run_unelevated.exe [--elevated] <program> [args...]");

  std::wstring command_line = request->command_line;  // CreateProcess may write into it
  STARTUPINFOW startup = startup_with_std_handles();
  PROCESS_INFORMATION info{};
  BOOL started = FALSE;
  if (request->elevated) {
    started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             nullptr, &startup, &info);
    if (!started) return fail_with(vl::last_error_text("CreateProcessW"));
  } else {
    TokenResult token = unelevated_token();
    if (!token.token) return fail_with(token.error);
    started = CreateProcessAsUserW(token.token.get(), nullptr, command_line.data(), nullptr,
                                   nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    if (!started) return fail_with(vl::last_error_text("CreateProcessAsUserW"));
  }
  vl::UniqueHandle process(info.hProcess);
  vl::UniqueHandle thread(info.hThread);

  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) {
    return fail_with(vl::last_error_text("WaitForSingleObject"));
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) {
    return fail_with(vl::last_error_text("GetExitCodeProcess"));
  }
  std::printf("exit code: %lu\n", static_cast<unsigned long>(code));
  std::fflush(stdout);
  return 0;
}
