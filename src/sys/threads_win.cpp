#include "sys/threads.h"

#include <windows.h>

#include <bit>
#include <memory>
#include <utility>

#include "sys/fatal_error_win.h"
#include "sys/unique_handle_win.h"

namespace vl {
namespace {

// The header keeps the system's lock and condition variable as one pointer each, zero when
// unused: exactly the layout and the initial value the system defines.
static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

PSRWLOCK srw(void*& slot) { return reinterpret_cast<PSRWLOCK>(&slot); }

// noexcept: an exception that leaves a body stops the process here, as with std::thread,
// instead of unwinding into the system's thread start.
DWORD WINAPI thread_entry(void* parameter) noexcept {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  (*body)();
  return 0;
}

}  // namespace

void Mutex::lock() { ::AcquireSRWLockExclusive(srw(lock_)); }
void Mutex::unlock() { ::ReleaseSRWLockExclusive(srw(lock_)); }

void CondVar::wait(LockGuard& held) {
  // Without a timeout the wait only returns once it holds the lock again.
  ::SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&variable_),
                              srw(held.mutex_.lock_), INFINITE, 0);
}
void CondVar::notify_one() {
  ::WakeConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&variable_));
}
void CondVar::notify_all() {
  ::WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&variable_));
}

void Thread::start(std::function<void()> body) {
  join();
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  HANDLE thread = ::CreateThread(nullptr, 0, thread_entry, owned.get(), 0, nullptr);
  if (thread == nullptr) fatal_error("CreateThread", HRESULT_FROM_WIN32(::GetLastError()));
  owned.release();  // the thread owns its body now
  handle_ = thread;
}

void Thread::join() {
  if (handle_ == nullptr) return;
  UniqueHandle thread(std::exchange(handle_, nullptr));
  ::WaitForSingleObject(thread.get(), INFINITE);
}

void Thread::detach() { UniqueHandle closed(std::exchange(handle_, nullptr)); }

unsigned processor_count() {
  // The processors of the process's affinity mask, as the C++ runtime counted them before.
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process_mask, &system_mask)) return 1;
  const int count = std::popcount(process_mask);
  return count == 0 ? 1u : static_cast<unsigned>(count);
}

}  // namespace vl
