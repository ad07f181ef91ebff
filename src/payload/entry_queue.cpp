#include "payload/entry_queue.h"

#include <utility>

#include "sys/paths.h"
#include "sys/phase_times.h"

namespace vl {

EntryQueue::EntryQueue(EntryWriter& writer, PayloadProgress& progress, uint64_t total_size)
    : writer_(writer), progress_(progress),
      denominator_(total_size == 0 ? 1.0f : static_cast<float>(total_size)) {
  for (size_t i = 0; i < BUFFERS; ++i) {
    buffers_[i].resize(DATA_CHUNK);
    free_.push_back(i);
  }
  thread_.start([this] { run(); });
}

EntryQueue::~EntryQueue() { (void)finish(); }

std::span<uint8_t> EntryQueue::free_buffer() {
  LockGuard lock(mutex_);
  if (filling_ < BUFFERS) return buffers_[filling_];
  changed_.wait(lock, [this] { return !free_.empty() || !failure_.ok(); });
  if (!failure_.ok()) return {};
  filling_ = free_.back();
  free_.pop_back();
  return buffers_[filling_];
}

Status EntryQueue::push(Operation operation) {
  LockGuard lock(mutex_);
  if (!failure_.ok()) return failure_;
  if (stopped_) return fail("entry queue used after finish");
  queue_.push_back(std::move(operation));
  changed_.notify_all();
  return Status::success();
}

Status EntryQueue::begin(PayloadEntry entry) {
  return push({Kind::Begin, std::move(entry.name), entry.size, 0});
}

Status EntryQueue::write(size_t size) {
  size_t buffer;
  {
    LockGuard lock(mutex_);
    buffer = filling_;
    filling_ = BUFFERS;
  }
  if (buffer == BUFFERS) return fail("entry queue: write without a buffer");
  return push({Kind::Write, {}, size, buffer});
}

Status EntryQueue::close() { return push({Kind::Close, {}, 0, 0}); }

void EntryQueue::discard() { (void)push({Kind::Discard, {}, 0, 0}); }

Status EntryQueue::finish() {
  {
    LockGuard lock(mutex_);
    if (!stopped_) {
      stopped_ = true;
      queue_.push_back({Kind::Stop, {}, 0, 0});
      changed_.notify_all();
    }
  }
  thread_.join();
  LockGuard lock(mutex_);
  return failure_;
}

Status EntryQueue::perform(const Operation& operation) {
  switch (operation.kind) {
    case Kind::Begin: {
      Status begun = phase::timed("write: create", [&] {
        return writer_.begin(PayloadEntry{operation.name, operation.size});
      });
      // A writer that failed to begin holds nothing to discard.
      if (begun) {
        current_ = operation.name;
        open_ = true;
      }
      return begun;
    }
    case Kind::Write: {
      Status wrote = phase::timed("write: data", [&] {
        return writer_.write(std::span(buffers_[operation.buffer].data(), operation.size));
      });
      if (!wrote) return wrote;
      uint64_t written = written_.fetch_add(operation.size, std::memory_order_relaxed) + operation.size;
      progress_.report(static_cast<float>(written) / denominator_, current_);
      return wrote;
    }
    case Kind::Close: {
      Status closed = phase::timed("write: close", [&] { return writer_.close(); });
      if (!closed) return closed;  // still open: discarded after the failure
      open_ = false;
      // A name that comes again was written over the same temporary file: one commit, at the
      // later place.
      if (!closed_keys_.insert(path_key(current_)).second)
        std::erase_if(closed_, [this](const std::string& name) { return same_path(name, current_); });
      closed_.push_back(std::move(current_));
      return closed;
    }
    case Kind::Discard:
      if (open_) writer_.discard();
      open_ = false;
      return Status::success();
    case Kind::Stop:
      break;
  }
  return Status::success();
}

void EntryQueue::run() {
  while (true) {
    Operation operation;
    {
      LockGuard lock(mutex_);
      {
        phase::Timed timed("write: idle");
        changed_.wait(lock, [this] { return !queue_.empty(); });
      }
      operation = std::move(queue_.front());
      queue_.pop_front();
    }
    if (operation.kind == Kind::Stop) return;
    bool failed;
    {
      LockGuard lock(mutex_);
      failed = !failure_.ok();
    }
    // After a failure the queued operations are only drained (their buffers freed).
    Status done = failed ? Status::success() : perform(operation);
    if (!done && open_) {
      writer_.discard();
      open_ = false;
    }
    LockGuard lock(mutex_);
    if (operation.kind == Kind::Write) free_.push_back(operation.buffer);
    if (!done && failure_.ok()) failure_ = std::move(done);
    changed_.notify_all();
  }
}

}  // namespace vl
