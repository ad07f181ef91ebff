#pragma once
// Streaming decoder over the payload's XZ stream: compressed input is fed to liblzma a chunk
// at a time (payload_source.h) and decompressed bytes come out in whatever amounts are asked for,
// so the payload's content never has to be in memory as a whole.
//
// Blocks whose headers state their sizes are decoded on several threads at once, in order;
// a stream written as one block without sizes is decoded on the calling thread as before.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "payload/payload_format.h"
#include "sys/result.h"

namespace vl {

// Errors of the reader (the decoder's own texts come from lzma_error_text).
inline constexpr std::string_view TEXT_PREMATURE_EOF = "premature eof";
inline constexpr std::string_view TEXT_CORRUPT_XZ = "corrupt xz stream";
inline constexpr std::string_view TEXT_FILL_WHOLE_BUFFER = "failed to fill whole buffer";

// liblzma's error codes as display texts ("lzma data error", "invalid options", …).
std::string lzma_error_text(int lzma_ret);

class PayloadReader {
 public:
  // The memory the decoding threads may hold together (input, output and dictionaries of the
  // blocks in flight); a block that would go over it waits for others, and a block too large
  // for it alone is decoded on the calling thread. It never stops a run.
  inline static constexpr uint64_t THREADING_BUDGET = 24ull << 20;

  // Creates the stream decoder with up to `threads` decoding threads (no memory limit, no
  // flags: one stream, nothing read after it).
  static Result<PayloadReader> open(const Payload& payload, uint32_t threads = decoder_threads());
  // The logical processors this process may run on, at most eight (and at least one); the
  // benchmark's build takes VL_DECODER_THREADS instead when it is set.
  static uint32_t decoder_threads();

  PayloadReader(PayloadReader&&) noexcept;
  PayloadReader& operator=(PayloadReader&&) noexcept;
  ~PayloadReader();

  // Up to out.size() decompressed bytes; 0 only at the stream's proper end (or for an empty
  // request). Errors: a decoder text, "premature eof" or "corrupt xz stream".
  Result<size_t> read_some(std::span<uint8_t> out);
  // Exactly out.size() bytes; "failed to fill whole buffer" when the data ends first.
  Status read_exact(std::span<uint8_t> out);
  // Reads and discards everything up to the stream's end, so that the decoder verifies the
  // stream's integrity check, index and footer. Fails with the read error's text.
  Status finish();
  // True once the decoder has seen the stream's end.
  bool at_end() const;
  // The decoder's memory use as liblzma reports it (dictionary and state), in bytes.
  uint64_t decoder_memory() const;

 private:
  struct State;
  explicit PayloadReader(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace vl
