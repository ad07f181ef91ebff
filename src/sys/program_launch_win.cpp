#include "sys/program_launch_win.h"

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <string>

#include "sys/com_win.h"
#include "sys/elevation_win.h"
#include "sys/paths.h"
#include "sys/processes_win.h"
#include "sys/program_launch.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

namespace {

struct BstrTraits {
  using Type = BSTR;
  static Type empty() { return nullptr; }
  static bool is_valid(Type b) { return b != nullptr; }
  static void close(Type b) { SysFreeString(b); }
};
using UniqueBstr = UniqueAny<BstrTraits>;

// A VARIANT that is cleared once, when it goes out of scope.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }
  VARIANT* get() { return &value_; }

  static bool make_bstr(Variant& v, std::string_view text) {
    v.value_.vt = VT_BSTR;
    v.value_.bstrVal = SysAllocString(to_wide(text).c_str());
    return v.value_.bstrVal != nullptr;
  }
  static void make_i4(Variant& v, LONG number) {
    v.value_.vt = VT_I4;
    v.value_.lVal = number;
  }

 private:
  VARIANT value_;
};

// CreateProcessW with a writable copy of the command line; the handles are handed back.
bool create_process(std::string_view program, std::string_view arguments, PROCESS_INFORMATION& info,
                    DWORD& error) {
  std::wstring command = to_wide(quoted_command_line(program, arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  wchar_t system[MAX_PATH + 1];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH + 1);
  const wchar_t* folder = length > 0 && length <= MAX_PATH ? system : nullptr;
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &info)) {
    error = GetLastError();
    return false;
  }
  return true;
}

Status shell_failure(std::string_view call, HRESULT hr) {
  return fail(std::string(call) + ": " + hresult_message(hr));
}

// The desktop's IShellDispatch2, reached through the desktop window's shell view.
Result<ComPtr<IShellDispatch2>> desktop_shell_dispatch() {
  ComPtr<IShellWindows> windows;
  HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.put_void());
  if (FAILED(hr) || !windows) return shell_failure("ShellWindows", hr).failure();

  Variant location;
  Variant::make_i4(location, 0);  // CSIDL_DESKTOP
  Variant root;
  long hwnd = 0;
  ComPtr<IDispatch> desktop;
  hr = windows->FindWindowSW(location.get(), root.get(), SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH,
                             desktop.put());
  if (FAILED(hr) || !desktop) return shell_failure("FindWindowSW", hr == S_OK ? E_FAIL : hr).failure();

  auto provider = desktop.query<IServiceProvider>();
  if (!provider) return shell_failure("IServiceProvider", E_NOINTERFACE).failure();
  ComPtr<IShellBrowser> browser;
  hr = provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void());
  if (FAILED(hr) || !browser) return shell_failure("QueryService", hr).failure();
  ComPtr<IShellView> view;
  hr = browser->QueryActiveShellView(view.put());
  if (FAILED(hr) || !view) return shell_failure("QueryActiveShellView", hr).failure();
  ComPtr<IDispatch> background;
  hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void());
  if (FAILED(hr) || !background) return shell_failure("GetItemObject", hr).failure();
  auto folder_view = background.query<IShellFolderViewDual>();
  if (!folder_view) return shell_failure("IShellFolderViewDual", E_NOINTERFACE).failure();
  ComPtr<IDispatch> application;
  hr = folder_view->get_Application(application.put());
  if (FAILED(hr) || !application) return shell_failure("get_Application", hr).failure();
  auto shell = application.query<IShellDispatch2>();
  if (!shell) return shell_failure("IShellDispatch2", E_NOINTERFACE).failure();
  return shell;
}

}  // namespace

Result<uint32_t> run_and_wait(std::string_view program, std::string_view arguments) {
  PROCESS_INFORMATION info{};
  DWORD error = 0;
  if (!create_process(program, arguments, info, error))
    return fail(std::string(program) + ": " + hresult_message(HRESULT_FROM_WIN32(error)));
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  return wait_for_exit_code(process.get(), program, CHILD_WAIT_MS);
}

void run_command(std::string_view program, std::string_view arguments) {
  PROCESS_INFORMATION info{};
  DWORD error = 0;
  if (!create_process(program, arguments, info, error)) return;
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

Status launch_via_shell(std::string_view program, std::string_view arguments) {
  ComApartment com;
  auto shell = desktop_shell_dispatch();
  if (!shell) return shell.failure();

  UniqueBstr file(SysAllocString(to_wide(program).c_str()));
  Variant args, dir, operation, show;
  if (!file || !Variant::make_bstr(args, arguments) || !Variant::make_bstr(dir, parent_folder(program)) ||
      !Variant::make_bstr(operation, "open")) {
    return shell_failure("ShellExecute", E_OUTOFMEMORY);
  }
  Variant::make_i4(show, SW_SHOWNORMAL);
  HRESULT hr = (*shell)->ShellExecute(file.get(), *args.get(), *dir.get(), *operation.get(), *show.get());
  if (hr != S_OK) return shell_failure("ShellExecute", hr);
  return Status::success();
}

void launch_application(std::string_view program, std::string_view arguments) {
  // Started directly, an elevated installer's child would run the application as administrator
  // with the user's /ARGS. The launch is best effort: without the shell there is none.
  if (is_process_elevated()) {
    static_cast<void>(launch_via_shell(program, arguments));
    return;
  }
  run_command(program, arguments);
}

}  // namespace vl
