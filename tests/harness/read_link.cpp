// Prints what a shell link holds, read back through IShellLinkW, IPersistFile and IPropertyStore:
//   read_link.exe <link path>
// Output (UTF-8, one item a line): "target=…", "arguments=…", "working_folder=…", "app_id=…"
// (empty when the link has none or the platform keeps no link properties). Exit code 0, or 1 when the link
// cannot be loaded.
#include <windows.h>
#include <objbase.h>
#include <propkey.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

#include "sys/com_win.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 64;
  vl::ComApartment com;
  vl::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    return 1;
  auto file = link.query<IPersistFile>();
  if (!file || FAILED(file->Load(argv[1], STGM_READ))) return 1;
  wchar_t target[1024] = {}, arguments[1024] = {}, folder[1024] = {};
  if (FAILED(link->GetPath(target, 1024, nullptr, 0)) || FAILED(link->GetArguments(arguments, 1024)) ||
      FAILED(link->GetWorkingDirectory(folder, 1024)))
    return 1;
  std::string app_id;
  if (auto store = link.query<IPropertyStore>()) {
    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(store->GetValue(PKEY_AppUserModel_ID, &value)) && value.vt == VT_LPWSTR)
      app_id = vl::from_wide(value.pwszVal).value_or("");
    PropVariantClear(&value);
  }
  std::printf("target=%s\narguments=%s\nworking_folder=%s\napp_id=%s\n",
              vl::from_wide(target).value_or("?").c_str(), vl::from_wide(arguments).value_or("?").c_str(),
              vl::from_wide(folder).value_or("?").c_str(), app_id.c_str());
  std::fflush(stdout);
  return 0;
}
