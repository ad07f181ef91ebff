#include "install/webview2_win.h"

#include <windows.h>
#include <urlmon.h>

#include <optional>
#include <utility>

#include "sys/elevation_win.h"
#include "sys/file_trust_win.h"
#include "sys/paths.h"
#include "sys/private_folder_win.h"
#include "sys/processes_win.h"
#include "sys/program_launch_win.h"
#include "sys/registry_win.h"
#include "sys/system_dll_win.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

namespace {

// Ends a download that runs past its time: URLDownloadToFileW asks it after every chunk that
// arrives (a connection that sends nothing at all ends by urlmon's own timeouts). It lives on
// the caller's stack for the one call, so it counts no references.
class DownloadDeadline final : public IBindStatusCallback {
 public:
  explicit DownloadDeadline(DWORD limit_ms) : start_(GetTickCount()), limit_(limit_ms) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IBindStatusCallback) {
      *out = static_cast<IBindStatusCallback*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override {
    return GetTickCount() - start_ > limit_ ? E_ABORT : S_OK;  // unsigned: survives the wrap
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

 private:
  DWORD start_;
  DWORD limit_;
};

// URLDownloadToFileW from urlmon, which is not a system-known DLL: loaded from System32 only.
HRESULT download_to_file(std::string_view source, const std::string& path) {
  using DownloadFn = HRESULT(WINAPI*)(IUnknown*, LPCWSTR, LPCWSTR, DWORD, void*);
  UniqueModule urlmon(LoadLibraryExW(L"urlmon.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!urlmon) return HRESULT_FROM_WIN32(GetLastError());
  auto download = find_proc<DownloadFn>(urlmon.get(), "URLDownloadToFileW");
  if (!download) return HRESULT_FROM_WIN32(GetLastError());
  DownloadDeadline deadline(CHILD_WAIT_MS);
  return download(nullptr, to_wide(source).c_str(), to_wide(path).c_str(), 0, &deadline);
}

}  // namespace

std::string elevated_download_parent() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT length = GetSystemWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  const std::string windows = from_wide(std::wstring_view(buffer, length)).value_or("");
  if (windows.empty()) return {};
  const std::string system_temp = join_path(windows, "SystemTemp");
  const DWORD attributes = GetFileAttributesW(to_wide(system_temp).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return system_temp;
  return join_path(windows, "Temp");
}

bool webview2_installed_at(std::string_view client_key, InstallScope scope) {
  for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    if (hive == HKEY_CURRENT_USER && scope == InstallScope::AllUsers) break;
    if (is_webview2_version(read_reg_string(hive, client_key, WEBVIEW2_VERSION_VALUE))) return true;
  }
  return false;
}

bool webview2_installed(InstallScope scope) {
  return webview2_installed_at(WEBVIEW2_CLIENT_KEY, scope);
}

std::string webview2_bootstrapper_path() {
  return join_path(temporary_folder(), WEBVIEW2_BOOTSTRAPPER_FILE);
}

Status provision_webview2(StepProgress& progress, InstallScope scope, std::string_view source,
                          std::string_view client_key, const ExpectedSigner* signer) {
  // Another program may have installed the runtime since the job was built.
  if (webview2_installed_at(client_key, scope)) return Status::success();

  // An elevated process must not run a file that the user, or anything the user runs, could
  // have placed or swapped: its own folder keeps everyone else out, and it lies where users
  // may not rename or remove what others made (not in the user's %TEMP%, where they may).
  std::string folder;
  if (signer) {
    auto created =
        create_admin_only_folder(elevated_download_parent(), WEBVIEW2_DOWNLOAD_FOLDER_PREFIX);
    if (!created) return created.failure();
    folder = *created;
  }
  const std::string bootstrapper =
      signer ? join_path(folder, WEBVIEW2_BOOTSTRAPPER_FILE) : webview2_bootstrapper_path();
  auto discard = [&] {
    DeleteFileW(to_wide(bootstrapper).c_str());
    if (signer) RemoveDirectoryW(to_wide(folder).c_str());
  };

  progress.report(0.1f, TEXT_WEBVIEW2_DOWNLOADING);
  DeleteFileW(to_wide(bootstrapper).c_str());
  if (FAILED(download_to_file(source, bootstrapper))) {
    discard();
    return fail(std::string(TEXT_WEBVIEW2_DOWNLOAD_FAILED));
  }

  // Held from before the check until the run ends, so the file that runs is the file checked.
  UniqueHandle held;
  if (signer) {
    auto opened = hold_file_unchanged(bootstrapper);
    std::optional<std::string> refusal;
    if (!opened) {
      refusal = opened.error();
    } else {
      held = std::move(*opened);
      refusal = bootstrapper_refusal(check_file_signature(held.get(), bootstrapper), *signer);
    }
    if (refusal) {
      held.reset();
      discard();
      return fail(std::move(*refusal));
    }
  }

  progress.report(0.4f, TEXT_WEBVIEW2_INSTALLING);
  auto exit_code = run_and_wait(bootstrapper, WEBVIEW2_BOOTSTRAPPER_ARGUMENTS);
  held.reset();
  if (!exit_code) return exit_code.failure();  // the downloaded file stays for inspection
  discard();
  if (*exit_code != 0) return fail(webview2_exit_code_text(*exit_code));
  return Status::success();
}

Status install_webview2(StepProgress& progress, InstallScope scope) {
  const ExpectedSigner microsoft{
      MICROSOFT_SIGNER_NAME, {MICROSOFT_ROOT_2010_THUMBPRINT, MICROSOFT_ROOT_2011_THUMBPRINT}};
  return provision_webview2(progress, scope, WEBVIEW2_BOOTSTRAPPER_URL, WEBVIEW2_CLIENT_KEY,
                            is_process_elevated() ? &microsoft : nullptr);
}

}  // namespace vl
