#pragma once
// Threads and their locks for the installer's own code: a mutex with its scoped guard, a
// condition variable, a thread that is joined, and the processor count. On Windows they sit
// directly on SRW locks, condition variables and CreateThread (threads_win.cpp), so the
// programs carry no POSIX thread layer; natively they are the standard library's.
//
// Contracts as with the standard types: a Mutex is not recursive and is unlocked by the thread
// that locked it; CondVar::wait may return without a notification, so callers wait for a
// condition. A thread that cannot be created is a broken invariant: the process stops.
#include <functional>

#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace vl {

class Mutex {
 public:
  // Constant-initialised: a Mutex at namespace scope is ready before any code runs.
  constexpr Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock();
  void unlock();

 private:
  friend class CondVar;
#ifdef _WIN32
  void* lock_ = nullptr;  // an SRWLOCK; its unlocked state is all zero
#else
  std::mutex mutex_;
#endif
};

// Holds the mutex from construction to destruction.
class LockGuard {
 public:
  explicit LockGuard(Mutex& mutex) : mutex_(mutex) { mutex_.lock(); }
  ~LockGuard() { mutex_.unlock(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  friend class CondVar;
  Mutex& mutex_;
};

class CondVar {
 public:
  CondVar() = default;
  CondVar(const CondVar&) = delete;
  CondVar& operator=(const CondVar&) = delete;

  // Releases the guard's mutex while waiting and holds it again on return.
  void wait(LockGuard& held);
  template <typename Ready>
  void wait(LockGuard& held, Ready ready) {
    while (!ready()) wait(held);
  }
  void notify_one();
  void notify_all();

 private:
#ifdef _WIN32
  void* variable_ = nullptr;  // a CONDITION_VARIABLE; its initial state is all zero
#else
  std::condition_variable_any variable_;
#endif
};

// Owns at most one running thread. The destructor joins it: whoever owns a Thread makes its
// body return (a stop request under the owner's lock, say) before the Thread is destroyed.
class Thread {
 public:
  Thread() = default;
  ~Thread() { join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Runs `body` on a new thread; a thread started before is joined first. No exception may
  // leave `body`.
  void start(std::function<void()> body);
  // Waits until the body has returned; returns at once when no thread is held.
  void join();
  // Lets the thread run on its own; the body must then own everything it uses.
  void detach();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // the thread's HANDLE, owned here (closed by join or detach)
#else
  std::thread thread_;
#endif
};

// The processors this process may run on; at least 1.
unsigned processor_count();

#ifndef _WIN32
inline void Mutex::lock() { mutex_.lock(); }
inline void Mutex::unlock() { mutex_.unlock(); }
inline void CondVar::wait(LockGuard& held) { variable_.wait(held.mutex_); }
inline void CondVar::notify_one() { variable_.notify_one(); }
inline void CondVar::notify_all() { variable_.notify_all(); }
inline void Thread::start(std::function<void()> body) {
  join();
  thread_ = std::thread(std::move(body));
}
inline void Thread::join() {
  if (thread_.joinable()) thread_.join();
}
inline void Thread::detach() {
  if (thread_.joinable()) thread_.detach();
}
inline unsigned processor_count() {
  const unsigned count = std::thread::hardware_concurrency();
  return count == 0 ? 1 : count;
}
#endif

}  // namespace vl
