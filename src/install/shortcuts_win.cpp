#include "install/shortcuts_win.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <propkey.h>
#include <propvarutil.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include "product/product.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/phase_times.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

namespace {

// A PROPVARIANT cleared once, when it goes out of scope.
class PropVariant {
 public:
  PropVariant() { PropVariantInit(&value_); }
  PropVariant(const PropVariant&) = delete;
  PropVariant& operator=(const PropVariant&) = delete;
  ~PropVariant() { PropVariantClear(&value_); }
  PROPVARIANT* get() { return &value_; }

 private:
  PROPVARIANT value_;
};

ComPtr<IShellLinkW> create_shell_link(HRESULT& hr) {
  ComPtr<IShellLinkW> link;
  hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
  return link;
}

template <typename I>
ComPtr<I> query(const ComPtr<IShellLinkW>& link, HRESULT& hr) {
  ComPtr<I> out;
  hr = link->QueryInterface(__uuidof(I), out.put_void());
  if (SUCCEEDED(hr) && !out) hr = E_NOINTERFACE;
  return out;
}

Status link_failure(std::string_view link, HRESULT hr) {
  return fail(std::string(link) + ": " + hresult_message(hr));
}

// Stores APP_USER_MODEL_ID as the link's AppUserModelID (a VT_LPWSTR property).
HRESULT set_app_user_model_id(const ComPtr<IShellLinkW>& link) {
  HRESULT hr = S_OK;
  auto store = query<IPropertyStore>(link, hr);
  if (FAILED(hr)) return hr;
  PropVariant value;
  wchar_t* copy = nullptr;
  hr = SHStrDupW(to_wide(APP_USER_MODEL_ID).c_str(), &copy);
  if (FAILED(hr)) return hr;
  value.get()->vt = VT_LPWSTR;
  value.get()->pwszVal = copy;  // freed by PropVariantClear
  hr = store->SetValue(PKEY_AppUserModel_ID, *value.get());
  if (FAILED(hr)) return hr;
  return store->Commit();
}

}  // namespace

PreparedLink::PreparedLink(std::string_view target) {
  {
    phase::Timed timed("links: create the object");
    link_ = create_shell_link(hr_);
  }
  if (SUCCEEDED(hr_) && !link_) hr_ = E_NOINTERFACE;
  if (FAILED(hr_)) return;
  phase::Timed timed("links: fill in");
  hr_ = link_->SetPath(to_wide(target).c_str());
  if (SUCCEEDED(hr_)) {
    if (std::string folder = parent_folder(target); !folder.empty())
      hr_ = link_->SetWorkingDirectory(to_wide(folder).c_str());
  }
  if (SUCCEEDED(hr_)) hr_ = set_app_user_model_id(link_);
}

PreparedLink::~PreparedLink() = default;

Status PreparedLink::save(std::string_view link) {
  if (FAILED(hr_)) return link_failure(link, hr_);
  if (std::string folder = parent_folder(link); !folder.empty())
    SHCreateDirectoryExW(nullptr, to_wide(folder).c_str(), nullptr);  // errors show up at Save
  HRESULT hr = S_OK;
  auto file = query<IPersistFile>(link_, hr);
  if (FAILED(hr)) return link_failure(link, hr);
  {
    phase::Timed timed("links: save");
    hr = file->Save(to_wide(link).c_str(), TRUE);
  }
  if (FAILED(hr)) return link_failure(link, hr);
  return Status::success();
}

Status place_shortcut(std::string_view link, std::string_view target) {
  return PreparedLink(target).save(link);
}

std::optional<std::string> read_shortcut_target(std::string_view link) {
  HRESULT hr = S_OK;
  auto shell_link = create_shell_link(hr);
  if (FAILED(hr) || !shell_link) return std::nullopt;
  auto file = query<IPersistFile>(shell_link, hr);
  if (FAILED(hr)) return std::nullopt;
  if (FAILED(file->Load(to_wide(link).c_str(), STGM_READ))) return std::nullopt;
  wchar_t target[1024] = {};
  if (FAILED(shell_link->GetPath(target, 1024, nullptr, 0))) return std::nullopt;
  return from_wide(target);
}

void refresh_shortcut(std::string_view link, const InstallJob& job, std::string_view target) {
  if (!main_binary_renamed(job.previous_main_binary)) return;
  if (GetFileAttributesW(to_wide(link).c_str()) == INVALID_FILE_ATTRIBUTES) return;
  auto current = read_shortcut_target(link);
  if (!current || current->empty()) return;
  if (same_path(*current, join_path(job.install_dir, *job.previous_main_binary)))
    (void)place_shortcut(link, target);  // best effort
}

void make_shortcuts_in(const InstallJob& job, const std::optional<std::string>& start_menu_folder,
                       const std::optional<std::string>& desktop_folder) {
  const std::string target = join_path(job.install_dir, APPLICATION_FILE_NAME);
  // Both created links are the same link saved twice: filled in once (the shell resolves the
  // target each time, which is what a link costs).
  std::optional<PreparedLink> created;
  for (const ShortcutAction& action : plan_shortcuts(job, start_menu_folder, desktop_folder)) {
    if (action.create) {
      if (!created) created.emplace(target);
      (void)created->save(action.link);  // a missing shortcut never fails the install
    } else {
      refresh_shortcut(action.link, job, target);
    }
  }
}

ShortcutFolders shortcut_folders(InstallScope scope) {
  const bool all_users = scope == InstallScope::AllUsers;
  return {known_folder_path(all_users ? FOLDERID_CommonPrograms : FOLDERID_Programs),
          known_folder_path(all_users ? FOLDERID_PublicDesktop : FOLDERID_Desktop)};
}

void make_shortcuts(const InstallJob& job) {
  ShortcutFolders folders;
  {
    phase::Timed timed("links: folders");
    folders = shortcut_folders(job.scope);
  }
  make_shortcuts_in(job, folders.start_menu, folders.desktop);
}

}  // namespace vl
