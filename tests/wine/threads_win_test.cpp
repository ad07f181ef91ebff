#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <vector>

#include "sys/threads.h"

namespace vl {
namespace {

// A one-slot mailbox: the sender waits for the slot to be empty, the receiver for it to be
// full, so every value crosses both wait directions.
TEST(ThreadsWin, CondVarHandsValuesBetweenThreadsInOrder) {
  constexpr int COUNT = 2000;
  Mutex mutex;
  CondVar changed;
  std::optional<int> slot;
  std::vector<int> received;
  {
    Thread sender;
    sender.start([&] {
      for (int i = 0; i < COUNT; ++i) {
        LockGuard lock(mutex);
        changed.wait(lock, [&] { return !slot.has_value(); });
        slot = i;
        changed.notify_all();
      }
    });
    while (received.size() < COUNT) {
      LockGuard lock(mutex);
      changed.wait(lock, [&] { return slot.has_value(); });
      received.push_back(*slot);
      slot.reset();
      changed.notify_all();
    }
  }  // the sender is joined here
  for (int i = 0; i < COUNT; ++i) ASSERT_EQ(received[i], i);
}

TEST(ThreadsWin, MutexExcludesAndJoinWaitsForTheBody) {
  constexpr int ROUNDS = 200000;
  Mutex mutex;
  volatile int counter = 0;  // a plain read-modify-write: only the lock keeps increments whole
  auto count = [&] {
    for (int i = 0; i < ROUNDS; ++i) {
      LockGuard lock(mutex);
      counter = counter + 1;
    }
  };
  Thread first;
  Thread second;
  first.start(count);
  second.start(count);
  first.join();
  second.join();
  EXPECT_EQ(counter, 2 * ROUNDS);
}

TEST(ThreadsWin, ProcessorCountIsWithinTheSystems) {
  SYSTEM_INFO info{};
  ::GetSystemInfo(&info);
  EXPECT_GE(processor_count(), 1u);
  EXPECT_LE(processor_count(), info.dwNumberOfProcessors);
}

}  // namespace
}  // namespace vl
