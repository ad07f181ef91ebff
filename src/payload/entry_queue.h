#pragma once
// The writing side of CopyFiles on a thread of its own: the decoding side hands entry
// operations (begin, write, close, discard) through a small bounded queue to one writer
// thread, so that decoding goes on while the file system works. The writer sees the operations
// in the order they were queued, and reports the step's progress after every chunk it wrote:
// running bytes written / total_size (1 when total_size is 0) with the entry's name. So the
// sink hears from the writer thread during CopyFiles (and from no other thread meanwhile).
//
// After the writer's first failure it discards the entry it had begun (its temporary file
// removed) and drops everything queued after; the decoding side gets that failure
// from its next call. No exception leaves the writer thread: its calls report failures as
// values.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "payload/entry_writer.h"
#include "payload/payload_format.h"
#include "sys/result.h"
#include "sys/threads.h"

namespace vl {

class EntryQueue {
 public:
  // Buffers of DATA_CHUNK bytes: one being filled while the others wait for the writer.
  static constexpr size_t BUFFERS = 4;

  EntryQueue(EntryWriter& writer, PayloadProgress& progress, uint64_t total_size);
  EntryQueue(const EntryQueue&) = delete;
  EntryQueue& operator=(const EntryQueue&) = delete;
  // Waits for the writer to finish what was queued.
  ~EntryQueue();

  // A free buffer of DATA_CHUNK bytes, waiting while every buffer is queued; empty once the
  // writer has failed.
  std::span<uint8_t> free_buffer();
  // Queue an operation; each returns the writer's failure once there is one. `write` hands
  // over the first `size` bytes of the buffer free_buffer returned last.
  Status begin(PayloadEntry entry);
  Status write(size_t size);
  Status close();
  void discard();

  // Waits until the writer has done everything queued and stops it: success, or the
  // writer's first failure.
  Status finish();
  // Entry data bytes the writer has written so far.
  uint64_t bytes_written() const { return written_.load(std::memory_order_relaxed); }
  // Names of the entries the writer closed, in order, an entry name that came again only at
  // its last place (complete after finish).
  const std::vector<std::string>& closed() const { return closed_; }

 private:
  enum class Kind { Begin, Write, Close, Discard, Stop };
  struct Operation {
    Kind kind;
    std::string name;  // Begin: the entry's name
    uint64_t size;     // Begin: the entry's size; Write: the bytes in the buffer
    size_t buffer;     // Write: which buffer
  };

  Status push(Operation operation);
  void run();
  Status perform(const Operation& operation);

  EntryWriter& writer_;
  PayloadProgress& progress_;
  float denominator_;
  std::array<std::vector<uint8_t>, BUFFERS> buffers_;
  Mutex mutex_;
  CondVar changed_;
  std::deque<Operation> queue_;
  std::vector<size_t> free_;      // buffers not queued and not being filled
  size_t filling_ = BUFFERS;      // the buffer handed out by free_buffer, if any
  Status failure_;                // the writer's first failure (success until then)
  std::atomic<uint64_t> written_{0};
  std::vector<std::string> closed_;
  std::unordered_set<std::string> closed_keys_;  // path_key of every name in closed_
  std::string current_;           // the writer's open entry, if any
  bool open_ = false;
  bool stopped_ = false;
  Thread thread_;  // last: joined before the members it uses go
};

}  // namespace vl
