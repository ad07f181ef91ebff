#pragma once
// The window's client as an MSAA object (IAccessible through WM_GETOBJECT), so that screen
// readers find the custom-drawn controls: its children are the last frame's accessible items
// (ui/accessibility.h). oleacc is loaded from System32 when a client first asks.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sys/unique_handle_win.h"
#include "ui/accessibility.h"

struct IAccessible;

namespace vl {

// What the accessible object reads from the window and asks of it, on the window's thread.
class AccessibleSource {
 public:
  virtual ~AccessibleSource() = default;
  virtual std::vector<AccessibleItem> accessible_items() = 0;
  virtual float current_dpi() const = 0;
  // The item's click. It is carried out after the calling client has been answered: the
  // action may open a modal window, which must not hold the client's call.
  virtual void press(uint32_t id) = 0;
  // Keyboard focus to the item, with the focus ring showing.
  virtual void take_focus(uint32_t id) = 0;
};

class ClientAccessible;

// Owned by the window. Clients that still hold the object after the window has gone get
// CO_E_OBJNOTCONNECTED from every call.
class WindowAccessibility {
 public:
  explicit WindowAccessibility(AccessibleSource& source) : source_(source) {}
  ~WindowAccessibility();
  WindowAccessibility(const WindowAccessibility&) = delete;
  WindowAccessibility& operator=(const WindowAccessibility&) = delete;

  // WM_GETOBJECT: the answer for OBJID_CLIENT; nullopt for any other object (the caller
  // passes the message on to DefWindowProcW).
  std::optional<LRESULT> answer(HWND hwnd, WPARAM wparam, LPARAM lparam);
  // After each frame: the focus, reorder, alert and value events its items call for.
  void announce(HWND hwnd, std::span<const AccessibleItem> items, double now);

 private:
  AccessibleSource& source_;
  AccessAnnouncer announcer_;
  UniqueModule oleacc_;
  ClientAccessible* object_ = nullptr;  // one reference held here while the window lives
};

}  // namespace vl
