#include "payload/payload_source.h"

#include <algorithm>
#include <utility>

namespace vl {

PayloadSource::PayloadSource(ReadAt read_at, uint64_t blob_size, bool recheck_chunks)
    : read_at_(std::move(read_at)),
      blob_size_(std::max<uint64_t>(blob_size, PAYLOAD_HEADER_SIZE)),
      recheck_chunks_(recheck_chunks) {}

Status PayloadSource::verify(const std::function<Status(const Sha256Digest&)>& accept) {
  verified_ = false;
  chunk_digests_.clear();
  Sha256 whole;
  std::vector<uint8_t> bytes(PAYLOAD_HEADER_SIZE);
  if (Status read = read_at_(0, bytes); !read) return read;
  whole.update(bytes);
  const uint64_t chunks = (stream_size() + CHUNK - 1) / CHUNK;
  for (uint64_t index = 0; index < chunks; ++index) {
    const uint64_t at = index * CHUNK;
    bytes.resize(static_cast<size_t>(std::min<uint64_t>(CHUNK, stream_size() - at)));
    if (Status read = read_at_(PAYLOAD_HEADER_SIZE + at, bytes); !read) return read;
    whole.update(bytes);
    if (recheck_chunks_) chunk_digests_.push_back(sha256(bytes));
  }
  if (Status matches = accept(whole.finish()); !matches) return matches;
  verified_ = true;
  return Status::success();
}

Status PayloadSource::read_chunk(uint64_t index, std::vector<uint8_t>& out) const {
  const uint64_t at = index * CHUNK;
  // Nothing unchecked is served, nor anything past the stream.
  if (!verified_ || at >= stream_size()) return fail(std::string(TEXT_DIGEST_MISMATCH));
  out.resize(static_cast<size_t>(std::min<uint64_t>(CHUNK, stream_size() - at)));
  if (Status read = read_at_(PAYLOAD_HEADER_SIZE + at, out); !read) return read;
  if (recheck_chunks_ && sha256(out) != chunk_digests_[index]) return fail(std::string(TEXT_DIGEST_MISMATCH));
  return Status::success();
}

StreamCursor::StreamCursor(const Payload& payload, uint64_t begin, uint64_t end)
    : payload_(payload), at_(begin), end_(end) {}

Result<std::span<const uint8_t>> StreamCursor::next() {
  const uint64_t limit = payload_.source ? payload_.source->stream_size() : payload_.stream.size();
  const uint64_t end = std::min(end_, limit);
  if (at_ >= end) return std::span<const uint8_t>{};
  if (!payload_.source) {
    // In memory already: all of it at once, as a decoder given a buffer would take it.
    std::span<const uint8_t> rest = payload_.stream.subspan(static_cast<size_t>(at_),
                                                            static_cast<size_t>(end - at_));
    at_ = end;
    return rest;
  }
  const uint64_t chunk = at_ / PayloadSource::CHUNK;
  const uint64_t chunk_end = std::min(end, (chunk + 1) * PayloadSource::CHUNK);
  const size_t length = static_cast<size_t>(chunk_end - at_);
  if (buffered_chunk_ != chunk) {
    buffered_chunk_ = UINT64_MAX;
    if (Status read = payload_.source->read_chunk(chunk, buffer_); !read) return read.failure();
    buffered_chunk_ = chunk;
  }
  std::span<const uint8_t> bytes = std::span<const uint8_t>(buffer_).subspan(
      static_cast<size_t>(at_ - chunk * PayloadSource::CHUNK), length);
  at_ = chunk_end;
  return bytes;
}

}  // namespace vl
