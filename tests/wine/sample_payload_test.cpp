// The sample payload's stand-ins: the staged folder holds exactly the nine shipped names, the
// modules are real DLLs, and verilune.exe records how it was started, holds its modules, closes
// cleanly on WM_CLOSE and, with --ignore-close, survives it. The window tests need a display
// (Xvfb); without one they are skipped.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sys/text_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"

namespace vl::wine_test {
namespace {

constexpr DWORD TIMEOUT_MS = 30000;
constexpr wchar_t SAMPLE_WINDOW_CLASS[] = L"VeriluneSampleWindow";

const std::vector<std::string> MODULE_NAMES = {
    "ShuttleCsp11_3003.dll", "cryptoide_pkcs11.dll", "eTPKCS11.dll",       "eToken.dll",
    "eps2003csp11.dll",      "eps2003csp11v2.dll",   "eps2003csp11x32.dll",
};

std::wstring sample_app() { return to_wide(sample_payload_dir()) + L"\\verilune.exe"; }

TEST(SamplePayload, StagedFolderHoldsExactlyTheNineShippedNames) {
  std::set<std::string> found;
  WIN32_FIND_DATAW data{};
  UniqueFindHandle find(FindFirstFileW((to_wide(sample_payload_dir()) + L"\\*").c_str(), &data));
  ASSERT_TRUE(find.valid()) << from_wide(to_wide(sample_payload_dir())).value_or("?");
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") found.insert(from_wide(name).value_or("?"));
  } while (FindNextFileW(find.get(), &data));
  std::set<std::string> expected(MODULE_NAMES.begin(), MODULE_NAMES.end());
  expected.insert({"verilune.exe", "uninstall.exe"});
  EXPECT_EQ(found, expected);
}

TEST(SamplePayload, ModulesAreDllsWhosePkcs11EntryDeclines) {
  using GetFunctionList = unsigned long (*)(void**);
  using ModuleName = const char* (*)();
  for (const std::string& name : MODULE_NAMES) {
    const std::wstring path = to_wide(sample_payload_dir()) + L"\\" + to_wide(name);
    UniqueModule module(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    ASSERT_TRUE(module.valid()) << name << ": " << last_error_text("LoadLibraryExW");
    auto entry = reinterpret_cast<GetFunctionList>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), "C_GetFunctionList")));
    auto own_name = reinterpret_cast<ModuleName>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), "VlSampleModuleName")));
    ASSERT_NE(entry, nullptr) << name;
    ASSERT_NE(own_name, nullptr) << name;
    void* list = &list;
    EXPECT_EQ(entry(&list), 0x54u) << name;  // CKR_FUNCTION_NOT_SUPPORTED
    EXPECT_EQ(list, nullptr) << name;
    EXPECT_EQ(std::string(own_name()), name);
  }
}

// ---- verilune.exe ------------------------------------------------------------------------

bool display_available() {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               nullptr, nullptr);
  if (!probe) return false;
  DestroyWindow(probe);
  return true;
}

#define REQUIRE_DISPLAY()                                                         \
  do {                                                                            \
    if (!display_available()) GTEST_SKIP() << "no display: run under Xvfb";      \
  } while (0)

// Sets VL_SAMPLE_RECORD for the children started in this scope (or clears it).
class RecordOverride {
 public:
  explicit RecordOverride(const std::wstring& path) {
    SetEnvironmentVariableW(L"VL_SAMPLE_RECORD", path.empty() ? nullptr : path.c_str());
  }
  ~RecordOverride() { SetEnvironmentVariableW(L"VL_SAMPLE_RECORD", nullptr); }
};

std::string read_text(const std::wstring& path) {
  return read_file(from_wide(path).value_or("")).value_or("");
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// One record line split into its fields; cmdline is last and keeps any tabs.
std::map<std::string, std::string> parse_record(const std::string& line) {
  std::map<std::string, std::string> fields;
  size_t start = 0;
  while (start < line.size()) {
    const size_t equals = line.find('=', start);
    if (equals == std::string::npos) break;
    const std::string key = line.substr(start, equals - start);
    const size_t tab = key == "cmdline" ? std::string::npos : line.find('\t', equals);
    fields[key] = line.substr(equals + 1, tab == std::string::npos ? tab : tab - equals - 1);
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

// Waits until the record file holds more than `known` lines and returns the first new one.
std::optional<std::map<std::string, std::string>> wait_for_record(const std::wstring& path,
                                                                  size_t known) {
  const ULONGLONG deadline = GetTickCount64() + TIMEOUT_MS;
  while (GetTickCount64() < deadline) {
    const auto lines = lines_of(read_text(path));
    if (lines.size() > known) return parse_record(lines[known]);
    Sleep(50);
  }
  return std::nullopt;
}

struct WindowSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK match_sample_window(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  wchar_t class_name[64] = {};
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  GetClassNameW(window, class_name, 64);
  if (owner == search->pid && std::wstring(class_name) == SAMPLE_WINDOW_CLASS) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND find_sample_window(DWORD pid) {
  WindowSearch search{pid, nullptr};
  EnumWindows(match_sample_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Sends WM_CLOSE and returns once the window has handled it.
bool send_close(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

std::string current_directory() {
  wchar_t dir[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH + 1, dir);
  return from_wide(dir).value();
}

TEST(SampleApp, RecordsCommandLineAndElevationAndExitsZeroOnClose) {
  REQUIRE_DISPLAY();
  struct Case {
    const wchar_t* launcher_switch;
    const char* elevated;
  };
  const Case cases[] = {{L"", "0"}, {L"--elevated ", "1"}};
  const std::wstring arguments = L"--from-test  \"two words\" /ARGS=x\\\"y";
  for (const Case& c : cases) {
    const std::wstring record = to_wide(make_temp_dir("sample")) + L"\\runs.txt";
    RecordOverride override_record(record);
    Child launcher(quote_argument(to_wide(harness_program("run_unelevated"))) + L" " +
                   c.launcher_switch + quote_argument(sample_app()) + L" " + arguments);
    ASSERT_TRUE(launcher.ok()) << launcher.start_error();

    const auto fields = wait_for_record(record, 0);
    ASSERT_TRUE(fields.has_value()) << "no record in " << from_wide(record).value();
    EXPECT_EQ(fields->at("elevated"), c.elevated);
    EXPECT_EQ(fields->at("modules"), "7");
    EXPECT_EQ(fields->at("cwd"), current_directory());
    EXPECT_EQ(fields->at("cmdline"),
              "\"" + from_wide(sample_app()).value() + "\" " + from_wide(arguments).value());

    const DWORD pid = std::stoul(fields->at("pid"));
    HWND window = find_sample_window(pid);
    ASSERT_NE(window, nullptr) << "pid " << pid;
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(send_close(window));
    const std::string output = launcher.read_all(TIMEOUT_MS);
    EXPECT_EQ(launcher.wait(TIMEOUT_MS), 0u);
    EXPECT_EQ(launcher_exit_code(output), 0u) << output;
  }
}

TEST(SampleApp, IgnoreCloseSurvivesCloseUntilTerminated) {
  REQUIRE_DISPLAY();
  const std::wstring record = to_wide(make_temp_dir("sample")) + L"\\runs.txt";
  RecordOverride override_record(record);
  Child app(quote_argument(sample_app()) + L" --IGNORE-CLOSE");
  ASSERT_TRUE(app.ok()) << app.start_error();
  const auto fields = wait_for_record(record, 0);
  ASSERT_TRUE(fields.has_value());
  ASSERT_EQ(std::stoul(fields->at("pid")), app.pid());
  HWND window = find_sample_window(app.pid());
  ASSERT_NE(window, nullptr);

  ASSERT_TRUE(send_close(window));  // handled, and ignored
  EXPECT_FALSE(app.wait(1000).has_value());
  EXPECT_TRUE(IsWindow(window));
  app.terminate(7);
  EXPECT_EQ(app.wait(TIMEOUT_MS), 7u);
}

TEST(SampleApp, HoldsItsModulesWhileRunning) {
  REQUIRE_DISPLAY();
  const std::wstring record = to_wide(make_temp_dir("sample")) + L"\\runs.txt";
  RecordOverride override_record(record);
  Child app(quote_argument(sample_app()));
  const auto fields = wait_for_record(record, 0);
  ASSERT_TRUE(fields.has_value());
  for (const std::wstring name : {L"verilune.exe", L"eToken.dll", L"eps2003csp11x32.dll"}) {
    const std::wstring path = to_wide(sample_payload_dir()) + L"\\" + name;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(file.valid()) << from_wide(name).value() << " is writable while in use";
  }
  ASSERT_TRUE(send_close(find_sample_window(app.pid())));
  EXPECT_EQ(app.wait(TIMEOUT_MS), 0u);
}

TEST(SampleApp, DefaultRecordIsInLocalAppData) {
  REQUIRE_DISPLAY();
  UniqueCoTaskMem<wchar_t> local;
  ASSERT_EQ(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, local.put()), S_OK);
  const std::wstring record = std::wstring(local.get()) + L"\\VeriluneSample\\runs.txt";
  const size_t known = lines_of(read_text(record)).size();

  RecordOverride no_override(L"");
  Child app(quote_argument(sample_app()) + L" default-location");
  const auto fields = wait_for_record(record, known);
  ASSERT_TRUE(fields.has_value()) << "nothing appended to " << from_wide(record).value();
  EXPECT_EQ(std::stoul(fields->at("pid")), app.pid());
  EXPECT_NE(fields->at("cmdline").find("default-location"), std::string::npos);
  ASSERT_TRUE(send_close(find_sample_window(app.pid())));
  EXPECT_EQ(app.wait(TIMEOUT_MS), 0u);
}

}  // namespace
}  // namespace vl::wine_test
