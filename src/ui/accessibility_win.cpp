#include "ui/accessibility_win.h"

#include <oleacc.h>

#include <cmath>
#include <new>
#include <string>

#include "sys/com_win.h"
#include "sys/system_dll_win.h"
#include "sys/text_win.h"
#include "ui/window_geometry.h"

namespace vl {

namespace {

using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);

long msaa_role(AccessRole role) {
  switch (role) {
    case AccessRole::PushButton:
      return ROLE_SYSTEM_PUSHBUTTON;
    case AccessRole::CheckButton:
      return ROLE_SYSTEM_CHECKBUTTON;
    case AccessRole::RadioButton:
      return ROLE_SYSTEM_RADIOBUTTON;
    case AccessRole::Link:
      return ROLE_SYSTEM_LINK;
    case AccessRole::StaticText:
      return ROLE_SYSTEM_STATICTEXT;
    case AccessRole::ProgressBar:
      return ROLE_SYSTEM_PROGRESSBAR;
  }
  return ROLE_SYSTEM_CLIENT;
}

long msaa_state(const AccessibleItem& item) {
  long state = 0;
  if (item.state & ACCESS_CHECKED) state |= STATE_SYSTEM_CHECKED;
  if (item.state & ACCESS_UNAVAILABLE) state |= STATE_SYSTEM_UNAVAILABLE;
  if (item.state & ACCESS_FOCUSABLE) state |= STATE_SYSTEM_FOCUSABLE;
  if (item.state & ACCESS_FOCUSED) state |= STATE_SYSTEM_FOCUSED;
  if (item.state & ACCESS_READ_ONLY) state |= STATE_SYSTEM_READONLY;
  if (item.role == AccessRole::Link) state |= STATE_SYSTEM_LINKED;
  return state;
}

// Text properties: an empty text is "none" (S_FALSE and a null string).
HRESULT answer_text(const std::string& text, BSTR* out) {
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  const std::wstring wide = to_wide(text);
  *out = ::SysAllocString(wide.c_str());
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void set_child(VARIANT* out, LONG child) {
  out->vt = VT_I4;
  out->lVal = child;
}

}  // namespace

// The client object. Its children are simple elements (child ids 1..n, no objects of their
// own), read afresh from the window at every call, so a client always sees the last frame.
class ClientAccessible final : public IAccessible {
 public:
  ClientAccessible(HWND hwnd, AccessibleSource& source, CreateStdAccessibleObjectFn std_object)
      : hwnd_(hwnd), source_(&source), std_object_(std_object) {}

  void detach() { source_ = nullptr; }

  // ---- IUnknown --------------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
        riid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // ---- IDispatch: not offered (clients use the vtable) ------------------------------------
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // ---- IAccessible -----------------------------------------------------------------------
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (source_ == nullptr) return CO_E_OBJNOTCONNECTED;
    if (std_object_ == nullptr) return S_FALSE;
    return std_object_(hwnd_, OBJID_WINDOW, __uuidof(IDispatch),
                       reinterpret_cast<void**>(parent));
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_POINTER;
    return guarded([&](const Items& items) {
      *count = static_cast<long>(items.size());
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return with_item(child, [&](const AccessibleItem*) { return S_FALSE; });  // simple elements
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return with_item(child, [&](const AccessibleItem* item) {
      if (item != nullptr) return answer_text(item->name, out);
      wchar_t title[256] = {};
      ::GetWindowTextW(hwnd_, title, 256);
      *out = ::SysAllocString(title);
      return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return with_item(child, [&](const AccessibleItem* item) {
      return item != nullptr ? answer_text(item->value, out) : S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return with_item(child, [&](const AccessibleItem* item) {
      return item != nullptr ? answer_text(item->description, out) : S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    return with_item(child, [&](const AccessibleItem* item) {
      // The client is presented as a dialog: a reader that focuses it reads its texts.
      set_child(out, item != nullptr ? msaa_role(item->role) : ROLE_SYSTEM_DIALOG);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    return with_item_and_list(child, [&](const AccessibleItem* item, const Items& items) {
      if (item != nullptr) {
        set_child(out, msaa_state(*item));
      } else {
        long state = STATE_SYSTEM_FOCUSABLE;
        if (::GetFocus() == hwnd_ && !focused_child(items)) state |= STATE_SYSTEM_FOCUSED;
        set_child(out, state);
      }
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return with_item(child, [](const AccessibleItem*) { return S_FALSE; });
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long*) override {
    if (file != nullptr) *file = nullptr;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return with_item(child, [](const AccessibleItem*) { return S_FALSE; });
  }

  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    return guarded([&](const Items& items) {
      if (::GetFocus() != hwnd_) return S_FALSE;  // VT_EMPTY: the focus is elsewhere
      set_child(out, focused_child(items).value_or(CHILDID_SELF));
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    return source_ != nullptr ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }

  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return with_item(child, [&](const AccessibleItem* item) {
      return item != nullptr ? answer_text(item->default_action, out) : S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return with_item(child, [&](const AccessibleItem* item) {
      if (!(flags & SELFLAG_TAKEFOCUS) || item == nullptr ||
          !(item->state & ACCESS_FOCUSABLE)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      source_->take_focus(item->id);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
      return E_POINTER;
    }
    *left = *top = *width = *height = 0;
    return with_item(child, [&](const AccessibleItem* item) {
      POINT origin{0, 0};
      ::ClientToScreen(hwnd_, &origin);
      if (item == nullptr) {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        *left = origin.x;
        *top = origin.y;
        *width = client.right;
        *height = client.bottom;
        return S_OK;
      }
      const float dpi = source_->current_dpi();
      const Rect& r = item->rect;
      const int32_t x0 = dips_to_pixels(r.x, dpi);
      const int32_t y0 = dips_to_pixels(r.y, dpi);
      *left = origin.x + x0;
      *top = origin.y + y0;
      *width = dips_to_pixels(r.x + r.w, dpi) - x0;
      *height = dips_to_pixels(r.y + r.h, dpi) - y0;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    return with_item_and_list(start, [&](const AccessibleItem* item, const Items& items) {
      const LONG count = static_cast<LONG>(items.size());
      LONG to = 0;
      if (item == nullptr && direction == NAVDIR_FIRSTCHILD) {
        to = 1;
      } else if (item == nullptr && direction == NAVDIR_LASTCHILD) {
        to = count;
      } else if (item != nullptr && direction == NAVDIR_NEXT) {
        to = start.lVal + 1;
      } else if (item != nullptr && direction == NAVDIR_PREVIOUS) {
        to = start.lVal - 1;
      }
      if (to < 1 || to > count) return S_FALSE;
      set_child(out, to);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    return guarded([&](const Items& items) {
      POINT p{x, y};
      ::ScreenToClient(hwnd_, &p);
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      if (p.x < 0 || p.y < 0 || p.x >= client.right || p.y >= client.bottom) return S_FALSE;
      const float scale = 96.0f / source_->current_dpi();
      const std::optional<size_t> hit =
          item_at(items, static_cast<float>(p.x) * scale, static_cast<float>(p.y) * scale);
      set_child(out, hit ? static_cast<LONG>(*hit + 1) : CHILDID_SELF);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return with_item(child, [&](const AccessibleItem* item) {
      if (item == nullptr || item->default_action.empty()) return DISP_E_MEMBERNOTFOUND;
      source_->press(item->id);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  using Items = std::vector<AccessibleItem>;

  ~ClientAccessible() = default;

  static std::optional<LONG> focused_child(const Items& items) {
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].state & ACCESS_FOCUSED) return static_cast<LONG>(i + 1);
    }
    return std::nullopt;
  }

  // Runs `body` with the window's current items. No exception leaves a COM call.
  template <typename F>
  HRESULT guarded(F&& body) {
    if (source_ == nullptr || !::IsWindow(hwnd_)) return CO_E_OBJNOTCONNECTED;
#if __cpp_exceptions
    try {
      const Items items = source_->accessible_items();
      return body(items);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
#else
    // Without exceptions (the shipped programs) nothing is thrown: out of memory ends the process.
    const Items items = source_->accessible_items();
    return body(items);
#endif
  }

  // Resolves a child id: null for the client itself, the item for 1..n; anything else is
  // E_INVALIDARG.
  template <typename F>
  HRESULT with_item_and_list(const VARIANT& child, F&& body) {
    return guarded([&](const Items& items) -> HRESULT {
      if (child.vt != VT_I4) return E_INVALIDARG;
      if (child.lVal == CHILDID_SELF) return body(nullptr, items);
      if (child.lVal < 1 || static_cast<size_t>(child.lVal) > items.size()) return E_INVALIDARG;
      return body(&items[static_cast<size_t>(child.lVal) - 1], items);
    });
  }
  template <typename F>
  HRESULT with_item(const VARIANT& child, F&& body) {
    return with_item_and_list(child,
                              [&](const AccessibleItem* item, const Items&) { return body(item); });
  }

  ULONG references_ = 1;
  HWND hwnd_;
  AccessibleSource* source_;
  CreateStdAccessibleObjectFn std_object_;
};

WindowAccessibility::~WindowAccessibility() {
  if (object_ == nullptr) return;
  object_->detach();
  // Drops the references that clients in other processes hold through COM's stubs.
  ::CoDisconnectObject(static_cast<IAccessible*>(object_), 0);
  object_->Release();
}

std::optional<LRESULT> WindowAccessibility::answer(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  if (static_cast<LONG>(lparam) != OBJID_CLIENT) return std::nullopt;
  if (!oleacc_.valid()) oleacc_ = load_system_dll(L"oleacc.dll");
  const auto lresult_from_object = find_proc<LresultFromObjectFn>(oleacc_.get(),
                                                                  "LresultFromObject");
  if (lresult_from_object == nullptr) return std::nullopt;
  ensure_main_thread_com();  // the object is marshalled to the client through COM
  if (object_ == nullptr) {
    object_ = new (std::nothrow) ClientAccessible(
        hwnd, source_,
        find_proc<CreateStdAccessibleObjectFn>(oleacc_.get(), "CreateStdAccessibleObject"));
    if (object_ == nullptr) return std::nullopt;
  }
  const LRESULT result =
      lresult_from_object(__uuidof(IAccessible), wparam, static_cast<IAccessible*>(object_));
  if (result < 0) return std::nullopt;  // a failure code: the system's default answer instead
  return result;
}

void WindowAccessibility::announce(HWND hwnd, std::span<const AccessibleItem> items,
                                   double now) {
  const AccessEvents events = announcer_.after_frame(items, now);
  if (events.reorder) ::NotifyWinEvent(EVENT_OBJECT_REORDER, hwnd, OBJID_CLIENT, CHILDID_SELF);
  if (events.focus) ::NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, *events.focus);
  for (int32_t child : events.state_changes) {
    ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd, OBJID_CLIENT, child);
  }
  if (events.alert) ::NotifyWinEvent(EVENT_SYSTEM_ALERT, hwnd, OBJID_CLIENT, *events.alert);
  if (events.value) {
    ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd, OBJID_CLIENT, *events.value);
  }
}

}  // namespace vl
