// verilune.exe of the sample payload: a stand-in for the tray application that the installer
// carries, built from source so that install, update and launch tests have a real program to
// place, start, find and stop.
//
// What it does, in order:
// 1. Loads the seven token modules from its own folder (best effort), so that, like the real
//    application, it holds its executable and the modules open while it runs.
// 2. Creates a hidden top-level window of class "VeriluneSampleWindow" (title
//    "Verilune (sample)") and adds a notification-area icon (best effort; right-click offers
//    "Exit").
// 3. Appends one line describing how it was started to the record file (below).
// 4. Runs until its window gets WM_CLOSE (then exits with code 0) or the process is terminated.
//    With the switch --ignore-close anywhere in its arguments (ASCII case-insensitive) it ignores
//    WM_CLOSE and only termination ends it.
//
// Record file: the path in the environment variable VL_SAMPLE_RECORD when it is set and not
// empty, else %LOCALAPPDATA%\VeriluneSample\runs.txt; the file's folder is created when missing.
// Each start appends one UTF-8 line, written with a single append so concurrent starts do not
// interleave, once the window exists (a test that sees the line can find the window):
//   pid=<decimal>\televated=<0|1>\tmodules=<loaded count>\tcwd=<current directory>\tcmdline=<raw>\n
// <raw> is GetCommandLineW() as it came, except that CR and LF become spaces; it is the last
// field, so it may contain tabs. Several instances may run at once (there is no single-instance
// check); tests match the window to the process through the pid.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <string_view>

#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"VeriluneSampleWindow";
constexpr wchar_t WINDOW_TITLE[] = L"Verilune (sample)";
constexpr UINT TRAY_MESSAGE = WM_APP + 1;
constexpr UINT TRAY_ICON_ID = 1;
constexpr UINT MENU_EXIT = 100;

constexpr const wchar_t* MODULE_NAMES[] = {
    L"ShuttleCsp11_3003.dll", L"cryptoide_pkcs11.dll", L"eTPKCS11.dll",       L"eToken.dll",
    L"eps2003csp11.dll",      L"eps2003csp11v2.dll",   L"eps2003csp11x32.dll",
};

bool g_ignore_close = false;
UINT g_taskbar_created = 0;

bool iequals_ascii(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool has_switch(std::wstring_view name) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return false;
  bool found = false;
  for (int i = 1; i < count && !found; ++i) found = iequals_ascii(args[i], name);
  LocalFree(args);
  return found;
}

std::wstring module_folder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Kept loaded for the life of the process, as the real application keeps its modules.
int load_token_modules() {
  const std::wstring folder = module_folder();
  int loaded = 0;
  for (const wchar_t* name : MODULE_NAMES) {
    const std::wstring path = folder + L"\\" + name;
    if (LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) ++loaded;
  }
  return loaded;
}

bool is_elevated() {
  vl::UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

std::wstring environment_value(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  size = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(size);
  return value;
}

std::wstring record_path() {
  std::wstring path = environment_value(L"VL_SAMPLE_RECORD");
  if (!path.empty()) return path;
  vl::UniqueCoTaskMem<wchar_t> local;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, local.put()))) return {};
  return std::wstring(local.get()) + L"\\VeriluneSample\\runs.txt";
}

std::wstring current_directory() {
  DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring dir(size, L'\0');
  dir.resize(GetCurrentDirectoryW(size, dir.data()));
  return dir;
}

std::string record_line(int modules) {
  std::wstring command_line = GetCommandLineW();
  for (wchar_t& c : command_line) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  const auto utf8 = [](const std::wstring& text) { return vl::from_wide(text).value_or("?"); };
  return "pid=" + std::to_string(GetCurrentProcessId()) +
         "\televated=" + (is_elevated() ? "1" : "0") + "\tmodules=" + std::to_string(modules) +
         "\tcwd=" + utf8(current_directory()) + "\tcmdline=" + utf8(command_line) + "\n";
}

void append_record(const std::string& line) {
  const std::wstring path = record_path();
  if (path.empty()) return;
  const size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
  vl::UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

NOTIFYICONDATAW tray_icon_data(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = TRAY_ICON_ID;
  data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
  data.uCallbackMessage = TRAY_MESSAGE;
  data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(data.szTip, WINDOW_TITLE, ARRAYSIZE(data.szTip));
  return data;
}

void add_tray_icon(HWND window) {
  NOTIFYICONDATAW data = tray_icon_data(window);
  Shell_NotifyIconW(NIM_ADD, &data);
}

void remove_tray_icon(HWND window) {
  NOTIFYICONDATAW data = tray_icon_data(window);
  Shell_NotifyIconW(NIM_DELETE, &data);
}

void show_tray_menu(HWND window) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  AppendMenuW(menu, MF_STRING, MENU_EXIT, L"Exit");
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(window);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  DestroyMenu(menu);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      if (!g_ignore_close) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      remove_tray_icon(window);
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == MENU_EXIT) DestroyWindow(window);  // the user's own exit
      return 0;
    case TRAY_MESSAGE:
      if (LOWORD(lparam) == WM_RBUTTONUP || LOWORD(lparam) == WM_CONTEXTMENU) {
        show_tray_menu(window);
      }
      return 0;
    default:
      if (g_taskbar_created != 0 && message == g_taskbar_created) {  // Explorer restarted
        add_tray_icon(window);
        return 0;
      }
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  g_ignore_close = has_switch(L"--ignore-close");
  const int modules = load_token_modules();

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.lpszClassName = WINDOW_CLASS;
  if (!RegisterClassExW(&window_class)) return 3;
  HWND window = CreateWindowExW(0, WINDOW_CLASS, WINDOW_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
  if (!window) return 4;
  g_taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
  add_tray_icon(window);
  append_record(record_line(modules));

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
