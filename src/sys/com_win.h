#pragma once
// COM for the calling thread: every thread that talks to the shell (ShellExecuteExW, shell
// links, the desktop's dispatch objects) initialises a single-threaded apartment first.
#include <objbase.h>

namespace vl {

// Initialises COM apartment-threaded for its lifetime. A thread that already has COM keeps
// its apartment (RPC_E_CHANGED_MODE is tolerated); only a successful call is balanced.
class ComApartment {
 public:
  ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_;
};

// COM on the windowed run's main thread, initialised by the first call that needs it (the
// taskbar button, the folder picker, an accessibility client) instead of at start-up: under
// Wine the first apartment of a session waits for the desktop process, and without it that
// wait falls in CreateWindowEx, overlapping the graphics warm-up. Never balanced: the thread
// ends with the process. Main thread only.
inline void ensure_main_thread_com() {
  static bool tried = false;
  if (tried) return;
  tried = true;  // a failure shows in the caller's own COM call, which then fails
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
}

}  // namespace vl
