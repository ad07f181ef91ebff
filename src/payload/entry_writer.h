#pragma once
// Where the payload's entries go and where their progress is told: the writer that places
// them (the installer's is Win32, install/file_placement_win.h) and the progress of the step
// that decodes them (install's StepProgress).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "payload/payload_format.h"
#include "sys/result.h"

namespace vl {

inline constexpr size_t DATA_CHUNK = 262144;  // the entry data buffer: 256 KiB

// Places entries in two stages, so that no file takes its final name before the data that
// holds it is verified. Each entry is begun, written chunk by chunk, then closed (complete but
// kept under a temporary name; nothing replaced yet) or discarded (known to be bad; its
// temporary file is removed). Once the whole stream is verified, each closed entry is
// committed (takes its final name) in payload order; every closed entry not committed, after a
// failure anywhere, is dropped (its temporary file removed). The entry calls come from the
// writer thread, commit and drop after it has stopped.
class EntryWriter {
 public:
  virtual ~EntryWriter() = default;
  virtual Status begin(const PayloadEntry& entry) = 0;
  virtual Status write(std::span<const uint8_t> chunk) = 0;
  virtual Status close() = 0;
  virtual void discard() = 0;
  // Once, after every entry is closed and the stream verified, before the first commit; a
  // failure commits nothing (every closed entry is dropped) and ends the run with its text.
  virtual Status before_commits() { return Status::success(); }
  virtual Status commit(std::string_view name) = 0;
  virtual void drop(std::string_view name) = 0;

  // For decoding several blocks at once (block_decode.h): a writer of the same kind for one
  // more entry open beside the others, used through begin, write_at, close and discard
  // (commit and drop stay with this writer); null when entries can only be written in order.
  virtual std::unique_ptr<EntryWriter> another() { return nullptr; }
  // Writes `chunk` at `offset` in the entry begun. Several threads may call it at once with
  // ranges that do not overlap; offsets need not come in order.
  virtual Status write_at(uint64_t offset, std::span<const uint8_t> chunk) {
    (void)offset;
    (void)chunk;
    return fail("entry writer: no positional writes");
  }
};

// What decoding reports after every chunk written: the fraction of the payload's data placed
// (0..1) and the entry's name. Never two calls at once; they may come from any thread.
class PayloadProgress {
 public:
  virtual ~PayloadProgress() = default;
  virtual void report(float fraction, std::string_view detail) = 0;
};

}  // namespace vl
