// A small screen-reader stand-in: reads the installer window's accessible tree through MSAA
// (oleacc) and can press a child through its default action.
//   msaa_client.exe [--press=NAME] [--until=NAME] [--listen=MS]
// Prints the tree as UTF-8 lines: "client <role> "<name>" children N", then one line per child
//   <index> <role> "<name>" [states] @left,top,width,height action="…" value="…" desc="…"
// --press: the child named NAME gets accDoDefaultAction; then the tree is read again once a
// child's line contains the text of --until (or after 10 s) and printed after "after press".
// --listen: prints the window's WinEvents as "event <kind> <child> <role> "<name>"" from the
// start until MS milliseconds after the last reading (out-of-context hook); a line "listening"
// says that the hook is in place.
// Exit status: 0 read, 2 no window, 3 no accessible object, 4 press failed, 5 --until not met.
#include <windows.h>
#include <objbase.h>
#include <oleacc.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "product/product.h"
#include "sys/text_win.h"

namespace {

std::string utf8(const wchar_t* text) {
  if (text == nullptr) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? static_cast<size_t>(n) - 1 : 0, '\0');
  if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

std::optional<std::wstring> option(int argc, wchar_t** argv, const std::wstring& name) {
  const std::wstring prefix = L"--" + name + L"=";
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.rfind(prefix, 0) == 0) return arg.substr(prefix.size());
  }
  return std::nullopt;
}

const char* role_text(long role) {
  switch (role) {
    case ROLE_SYSTEM_PUSHBUTTON: return "button";
    case ROLE_SYSTEM_CHECKBUTTON: return "checkbox";
    case ROLE_SYSTEM_RADIOBUTTON: return "radio";
    case ROLE_SYSTEM_LINK: return "link";
    case ROLE_SYSTEM_STATICTEXT: return "text";
    case ROLE_SYSTEM_PROGRESSBAR: return "progressbar";
    case ROLE_SYSTEM_DIALOG: return "dialog";
    case ROLE_SYSTEM_CLIENT: return "client";
    case ROLE_SYSTEM_WINDOW: return "window";
    default: return "other";
  }
}

std::string state_text(long state) {
  static const struct { long bit; const char* name; } kNames[] = {
      {STATE_SYSTEM_CHECKED, "checked"},     {STATE_SYSTEM_UNAVAILABLE, "unavailable"},
      {STATE_SYSTEM_FOCUSABLE, "focusable"}, {STATE_SYSTEM_FOCUSED, "focused"},
      {STATE_SYSTEM_READONLY, "readonly"},   {STATE_SYSTEM_LINKED, "linked"},
  };
  std::string out;
  for (const auto& entry : kNames) {
    if (!(state & entry.bit)) continue;
    if (!out.empty()) out += ",";
    out += entry.name;
  }
  return "[" + out + "]";
}

VARIANT child_id(long id) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

std::string bstr_property(IAccessible* acc, long id,
                          HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
  BSTR text = nullptr;
  const HRESULT hr = (acc->*get)(child_id(id), &text);
  std::string out = SUCCEEDED(hr) ? utf8(text) : std::string("<error>");
  ::SysFreeString(text);
  return out;
}

long long_property(IAccessible* acc, long id,
                   HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
  VARIANT out;
  ::VariantInit(&out);
  if (FAILED((acc->*get)(child_id(id), &out)) || out.vt != VT_I4) return -1;
  return out.lVal;
}

struct Child {
  long id = 0;
  std::string name;
  std::string line;
};

std::vector<Child> read_children(IAccessible* acc) {
  long count = 0;
  acc->get_accChildCount(&count);
  std::vector<VARIANT> ids(static_cast<size_t>(count > 0 ? count : 0));
  long obtained = 0;
  if (count > 0 && FAILED(::AccessibleChildren(acc, 0, count, ids.data(), &obtained))) {
    obtained = 0;
  }
  std::vector<Child> children;
  for (long i = 0; i < obtained; ++i) {
    if (ids[i].vt != VT_I4) {
      ::VariantClear(&ids[i]);
      continue;
    }
    Child child;
    child.id = ids[i].lVal;
    child.name = bstr_property(acc, child.id, &IAccessible::get_accName);
    long x = 0, y = 0, w = 0, h = 0;
    acc->accLocation(&x, &y, &w, &h, child_id(child.id));
    char where[64];
    std::snprintf(where, sizeof where, "@%ld,%ld,%ld,%ld", x, y, w, h);
    child.line = std::to_string(child.id) + " " +
                 role_text(long_property(acc, child.id, &IAccessible::get_accRole)) + " \"" +
                 child.name + "\" " +
                 state_text(long_property(acc, child.id, &IAccessible::get_accState)) + " " +
                 where;
    const std::string action = bstr_property(acc, child.id, &IAccessible::get_accDefaultAction);
    const std::string value = bstr_property(acc, child.id, &IAccessible::get_accValue);
    const std::string desc = bstr_property(acc, child.id, &IAccessible::get_accDescription);
    if (!action.empty()) child.line += " action=\"" + action + "\"";
    if (!value.empty()) child.line += " value=\"" + value + "\"";
    if (!desc.empty()) child.line += " desc=\"" + desc + "\"";
    children.push_back(std::move(child));
  }
  return children;
}

void print_tree(IAccessible* acc, const std::vector<Child>& children) {
  std::printf("client %s \"%s\" %s children %zu\n",
              role_text(long_property(acc, CHILDID_SELF, &IAccessible::get_accRole)),
              bstr_property(acc, CHILDID_SELF, &IAccessible::get_accName).c_str(),
              state_text(long_property(acc, CHILDID_SELF, &IAccessible::get_accState)).c_str(),
              children.size());
  for (const Child& child : children) std::printf("%s\n", child.line.c_str());
  std::fflush(stdout);
}

HWND g_window = nullptr;

const char* event_text(DWORD event) {
  switch (event) {
    case EVENT_OBJECT_FOCUS: return "focus";
    case EVENT_OBJECT_REORDER: return "reorder";
    case EVENT_SYSTEM_ALERT: return "alert";
    case EVENT_OBJECT_VALUECHANGE: return "value";
    case EVENT_OBJECT_STATECHANGE: return "state";
    default: return nullptr;
  }
}

void CALLBACK on_event(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD,
                       DWORD) {
  const char* kind = event_text(event);
  if (kind == nullptr || hwnd != g_window || object != OBJID_CLIENT) return;
  IAccessible* acc = nullptr;
  VARIANT which;
  ::VariantInit(&which);
  std::string said;
  if (SUCCEEDED(::AccessibleObjectFromEvent(hwnd, object, child, &acc, &which)) && acc) {
    const long id = which.vt == VT_I4 ? which.lVal : CHILDID_SELF;
    said = std::string(role_text(long_property(acc, id, &IAccessible::get_accRole))) + " \"" +
           bstr_property(acc, id, &IAccessible::get_accName) + "\" " +
           state_text(long_property(acc, id, &IAccessible::get_accState));
    if (event == EVENT_OBJECT_VALUECHANGE) {
      said += " value \"" + bstr_property(acc, id, &IAccessible::get_accValue) + "\"";
    }
    acc->Release();
  }
  std::printf("event %s %ld %s\n", kind, static_cast<long>(child), said.c_str());
  std::fflush(stdout);
}

// Dispatches the hook's callbacks for a while.
void pump(DWORD milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  } while (::GetTickCount64() < end);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  g_window = ::FindWindowW(vl::to_wide(vl::WINDOW_CLASS_NAME).c_str(), nullptr);
  if (g_window == nullptr) return 2;
  IAccessible* acc = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(g_window, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&acc))) ||
      acc == nullptr) {
    return 3;
  }
  HWINEVENTHOOK hook = nullptr;
  DWORD listen_ms = 0;
  if (auto ms = option(argc, argv, L"listen")) {
    listen_ms = static_cast<DWORD>(_wtoi(ms->c_str()));
    DWORD process = 0;
    ::GetWindowThreadProcessId(g_window, &process);
    hook = ::SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, on_event, process, 0,
                             WINEVENT_OUTOFCONTEXT);
  }
  std::vector<Child> children = read_children(acc);
  print_tree(acc, children);
  if (hook != nullptr) {
    std::printf("listening\n");
    std::fflush(stdout);
  }

  int status = 0;
  if (auto press = option(argc, argv, L"press")) {
    const std::string wanted = utf8(press->c_str());
    const Child* target = nullptr;
    for (const Child& child : children) {
      if (child.name == wanted) target = &child;
    }
    if (target == nullptr || FAILED(acc->accDoDefaultAction(child_id(target->id)))) {
      status = 4;
    } else {
      const std::optional<std::wstring> until = option(argc, argv, L"until");
      const std::string until_name = until ? utf8(until->c_str()) : std::string();
      const ULONGLONG end = ::GetTickCount64() + 10000;
      bool met = !until;
      do {
        pump(until ? 100 : 500);
        children = read_children(acc);
        for (const Child& child : children) {
          met = met || child.line.find(until_name) != std::string::npos;
        }
      } while (!met && ::GetTickCount64() < end);
      std::printf("after press\n");
      print_tree(acc, children);
      if (!met) status = 5;
    }
  }
  if (hook != nullptr) {
    pump(listen_ms);
    ::UnhookWinEvent(hook);
  }
  acc->Release();
  ::CoUninitialize();
  return status;
}
