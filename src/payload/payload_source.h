#pragma once
// Where the decoders take the payload's compressed bytes from. Read in place from the mapped
// executable, every page of the payload the digest and the decoders touch stays in the
// process's memory until it exits, so the process would grow with the payload. A source reads
// them instead from outside the process (the executable's file), one chunk at a time, into
// buffers that are reused.
//
// A source serves only bytes it has verified: `verify` reads the whole blob once and its
// SHA-256 must be the digest the build recorded; with `recheck_chunks`, it keeps every
// chunk's digest too and compares each chunk read later against it, so that a file changed
// after the check (by someone who could write it before the run held it) cannot feed the
// decoders anything else.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "payload/payload_format.h"
#include "sys/result.h"
#include "sys/sha256.h"

namespace vl {

class PayloadSource {
 public:
  // Bytes are read in chunks of this many bytes, at multiples of it from the stream's start.
  static constexpr size_t CHUNK = 64 << 10;

  // Fills `out` with the blob's bytes at `offset` (the header at 0, the stream after it);
  // called from several threads at once.
  using ReadAt = std::function<Status(uint64_t offset, std::span<uint8_t> out)>;

  PayloadSource(ReadAt read_at, uint64_t blob_size, bool recheck_chunks);

  // Reads the blob once and hands its SHA-256 to `accept` (check_digest_record against the
  // build's record); until both have succeeded, nothing is served.
  Status verify(const std::function<Status(const Sha256Digest&)>& accept);

  // The stream's chunk `index` into `out` (resized to its length: CHUNK, less for the last).
  // A read failure, a chunk past the end, a chunk that differs from the one verified: a
  // reader-style reason (TEXT_DIGEST_MISMATCH), which the entry loop puts in the damaged-payload
  // text.
  Status read_chunk(uint64_t index, std::vector<uint8_t>& out) const;

  uint64_t stream_size() const { return blob_size_ - PAYLOAD_HEADER_SIZE; }

 private:
  ReadAt read_at_;
  uint64_t blob_size_;
  bool recheck_chunks_;
  bool verified_ = false;
  std::vector<Sha256Digest> chunk_digests_;
};

// Reads the stream's bytes [begin, end) in order: a chunk at a time through the payload's
// source when it has one, else all at once straight from Payload::stream, without copying. A span it gives
// stays valid until the next call.
class StreamCursor {
 public:
  StreamCursor(const Payload& payload, uint64_t begin, uint64_t end);

  // The next bytes, at most to the end of a chunk; empty once `end` is reached. A failure is
  // the source's text.
  Result<std::span<const uint8_t>> next();

 private:
  const Payload& payload_;
  uint64_t at_;
  uint64_t end_;
  std::vector<uint8_t> buffer_;
  uint64_t buffered_chunk_ = UINT64_MAX;
};

}  // namespace vl
