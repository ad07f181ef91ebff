#include "payload/payload_reader.h"

#include <lzma.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "payload/payload_source.h"
#include "sys/threads.h"

namespace vl {

std::string lzma_error_text(int lzma_ret) {
  switch (lzma_ret) {
    case LZMA_DATA_ERROR: return "lzma data error";
    case LZMA_OPTIONS_ERROR: return "invalid options";
    case LZMA_FORMAT_ERROR: return "stream/file format not recognized";
    case LZMA_MEMLIMIT_ERROR: return "memory limit reached";
    case LZMA_MEM_ERROR: return "can't allocate memory";
    case LZMA_NO_CHECK: return "no integrity check was available";
    case LZMA_UNSUPPORTED_CHECK: return "liblzma not built with check support";
    default: return "liblzma internal error";
  }
}

struct PayloadReader::State {
  explicit State(const Payload& from) : payload(from), input(payload, 0, payload.stream.size()) {}

  lzma_stream stream = LZMA_STREAM_INIT;
  Payload payload;
  StreamCursor input;  // compressed bytes not yet given to the decoder
  bool ended = false;  // the decoder returned LZMA_STREAM_END

  ~State() { lzma_end(&stream); }

  // Gives the decoder the next input when it has taken all of it; false when the stream's
  // bytes are exhausted. A source that cannot give verified bytes fails the read.
  Result<bool> fill_input() {
    if (stream.avail_in > 0) return true;
    Result<std::span<const uint8_t>> next = input.next();
    if (!next) return next.failure();
    if (next->empty()) return false;
    stream.next_in = next->data();
    stream.avail_in = next->size();
    return true;
  }
};

PayloadReader::PayloadReader(std::unique_ptr<State> state) : state_(std::move(state)) {}
PayloadReader::PayloadReader(PayloadReader&&) noexcept = default;
PayloadReader& PayloadReader::operator=(PayloadReader&&) noexcept = default;
PayloadReader::~PayloadReader() = default;

uint32_t PayloadReader::decoder_threads() {
#ifdef VL_PHASE_TIMES
  // The benchmark's build compares thread counts on one machine (sys/phase_times.h).
  if (const char* forced = std::getenv("VL_DECODER_THREADS")) return std::clamp(std::atoi(forced), 1, 8);
#endif
  return std::min(processor_count(), 8u);
}

Result<PayloadReader> PayloadReader::open(const Payload& payload, uint32_t threads) {
  auto state = std::make_unique<State>(payload);
  lzma_mt options{};
  options.threads = std::max(threads, 1u);
  options.memlimit_threading = THREADING_BUDGET;
  options.memlimit_stop = UINT64_MAX;
  lzma_ret ret = lzma_stream_decoder_mt(&state->stream, &options);
  if (ret != LZMA_OK) return fail(lzma_error_text(ret));
  return PayloadReader(std::move(state));
}

bool PayloadReader::at_end() const { return state_->ended; }

uint64_t PayloadReader::decoder_memory() const { return lzma_memusage(&state_->stream); }

Result<size_t> PayloadReader::read_some(std::span<uint8_t> out) {
  State& s = *state_;
  while (true) {
    if (s.ended || out.empty()) return size_t{0};
    Result<bool> filled = s.fill_input();
    if (!filled) return filled.failure();
    bool input_exhausted = !*filled;
    size_t in_before = s.stream.avail_in;
    s.stream.next_out = out.data();
    s.stream.avail_out = out.size();
    lzma_ret ret = lzma_code(&s.stream, input_exhausted ? LZMA_FINISH : LZMA_RUN);
    size_t produced = out.size() - s.stream.avail_out;
    size_t consumed = in_before - s.stream.avail_in;
    if (ret == LZMA_STREAM_END) {
      s.ended = true;
    } else if (ret != LZMA_OK && ret != LZMA_BUF_ERROR) {
      return fail(lzma_error_text(ret));
    }
    if (produced > 0 || s.ended) return produced;
    if (input_exhausted) return fail(std::string(TEXT_PREMATURE_EOF));
    if (consumed == 0) return fail(std::string(TEXT_CORRUPT_XZ));
    // Input was taken without output yet (headers, a block's start): feed more.
  }
}

Status PayloadReader::read_exact(std::span<uint8_t> out) {
  while (!out.empty()) {
    Result<size_t> n = read_some(out);
    if (!n) return n.failure();
    if (*n == 0) return fail(std::string(TEXT_FILL_WHOLE_BUFFER));
    out = out.subspan(*n);
  }
  return Status::success();
}

Status PayloadReader::finish() {
  std::array<uint8_t, 4096> scratch;
  while (!state_->ended) {
    Result<size_t> n = read_some(scratch);
    if (!n) return n.failure();
  }
  return Status::success();
}

}  // namespace vl
