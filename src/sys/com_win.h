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

}  // namespace vl
