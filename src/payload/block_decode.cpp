#include "payload/block_decode.h"

#include <lzma.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <unordered_set>

#include "payload/lzma_filter_chain.h"
#include "payload/payload_check.h"
#include "payload/payload_source.h"
#include "sys/paths.h"
#include "sys/phase_times.h"
#include "sys/threads.h"

namespace vl {

namespace {

// A map larger than this is not one the packer wrote (it holds a few bytes per entry).
constexpr uint64_t MAX_BLOCK_MAP = 1ull << 20;
constexpr size_t MAX_THREADS = 8;

// One entry as the map places it in the content.
struct Placed {
  PayloadEntry entry;
  std::vector<uint8_t> header;  // the bytes its record must start with
  uint64_t header_at;
  uint64_t data_at;
  // Shared between the threads (under Decoder::mutex_).
  std::unique_ptr<EntryWriter> file;
  bool opening = false;  // a thread is making `file` (outside the lock)
  uint64_t written = 0;
  bool closed = false;
};

// Sets up a block decoder on `stream` for `block`, its input not yet given (the block's data
// starts options.header_size bytes into it); false when its header is unusable. The decoder
// keeps a pointer to `options` (it reads the check type there and writes the sizes back): it
// must outlive the block's decoding.
bool start_block(lzma_stream& stream, std::span<const uint8_t> bytes, lzma_check check,
                 const StreamBlock& block, lzma_block& options) {
  options = lzma_block{};
  options.version = 1;
  options.check = check;
  options.header_size = lzma_block_header_size_decode(bytes[block.stream_offset]);
  if (bytes[block.stream_offset] == 0x00 || options.header_size > block.total_size) return false;
  FilterChain chain;
  options.filters = chain.filters.data();
  if (lzma_block_header_decode(&options, nullptr, bytes.data() + block.stream_offset) != LZMA_OK)
    return false;
  if (lzma_block_compressed_size(&options, block.unpadded_size) != LZMA_OK) return false;
  options.uncompressed_size = block.content_size;  // the decoder holds the block to it
  return lzma_block_decoder(&stream, &options) == LZMA_OK;
}

// The memory one thread needs for `block`: its filters' decoder and the output buffer.
uint64_t block_memory(std::span<const uint8_t> bytes, lzma_check check, const StreamBlock& block) {
  lzma_block options{};
  options.version = 1;
  options.check = check;
  options.header_size = lzma_block_header_size_decode(bytes[block.stream_offset]);
  FilterChain chain;
  options.filters = chain.filters.data();
  if (lzma_block_header_decode(&options, nullptr, bytes.data() + block.stream_offset) != LZMA_OK)
    return UINT64_MAX;
  uint64_t usage = lzma_raw_decoder_memusage(chain.filters.data());
  if (usage == UINT64_MAX) return UINT64_MAX;
  // The dictionary is allocated at its stated size, but only the pages the block's output
  // reaches are ever touched: a block shorter than the dictionary holds only its own length.
  for (const lzma_filter& filter : chain.filters) {
    if (filter.id == LZMA_VLI_UNKNOWN) break;
    if (filter.id != LZMA_FILTER_LZMA2 || filter.options == nullptr) continue;
    uint64_t dict = static_cast<const lzma_options_lzma*>(filter.options)->dict_size;
    if (block.content_size < dict) usage -= dict - block.content_size;
  }
  return usage + DATA_CHUNK;
}

struct StreamEnd {
  lzma_stream* stream;
  ~StreamEnd() { lzma_end(stream); }
};

// Decodes one whole block into `out`; false on any decoder failure.
bool decode_whole_block(std::span<const uint8_t> bytes, lzma_check check, const StreamBlock& block,
                        std::vector<uint8_t>& out) {
  lzma_stream stream = LZMA_STREAM_INIT;
  StreamEnd end{&stream};
  lzma_block options;
  if (!start_block(stream, bytes, check, block, options)) return false;
  stream.next_in = bytes.data() + block.stream_offset + options.header_size;
  stream.avail_in = block.total_size - options.header_size;
  out.resize(block.content_size);
  stream.next_out = out.data();
  stream.avail_out = out.size();
  return lzma_code(&stream, LZMA_FINISH) == LZMA_STREAM_END && stream.avail_out == 0;
}

// The entries the map describes, placed back to back from offset 0; they must end where the
// map's block starts. Empty when the map is unusable or names an entry twice (two entries
// of one name would share a temporary file, which only the in-order loop can do).
std::vector<Placed> read_block_map(std::span<const uint8_t> map, uint32_t entry_count,
                                   uint64_t map_at) {
  std::vector<Placed> placed;
  std::unordered_set<std::string> names;  // path_key of every entry so far
  if (map.size() < BLOCK_MAP_MAGIC.size() ||
      std::memcmp(map.data(), BLOCK_MAP_MAGIC.data(), BLOCK_MAP_MAGIC.size()) != 0) {
    return {};
  }
  map = map.subspan(BLOCK_MAP_MAGIC.size());
  uint64_t at = 0;
  for (uint32_t i = 0; i < entry_count; ++i) {
    std::optional<EntryHeader> record = parse_entry_header(map);
    if (!record) return {};
    map = map.subspan(record->length);
    const uint64_t size = record->entry.size;
    if (!is_valid_entry_name(record->entry.name)) return {};
    if (!names.insert(path_key(record->entry.name)).second) return {};
    Placed entry{std::move(record->entry), {}, at, 0};
    entry.header = entry_header_bytes(entry.entry.name, size);
    entry.data_at = at + entry.header.size();
    if (size > map_at || entry.data_at > map_at - size) return {};
    at = entry.data_at + size;
    placed.push_back(std::move(entry));
  }
  if (!map.empty() || at != map_at) return {};
  return placed;
}

class Decoder {
 public:
  Decoder(const Payload& payload, lzma_check check, std::span<const StreamBlock> blocks,
          std::vector<Placed>& entries, EntryWriter& writer, PayloadProgress& progress,
          uint64_t total_size)
      : payload_(payload), check_(check), blocks_(blocks), entries_(entries), writer_(writer),
        progress_(progress), denominator_(total_size == 0 ? 1.0f : static_cast<float>(total_size)) {
  }

  // Every block decoded on `threads` threads (this one among them). A complete entry is
  // flushed and closed on a thread of its own, so that the decoding threads never wait for
  // the disk; run returns once every close has returned (nothing is committed before that).
  void run(uint32_t threads) {
    Thread closer;
    closer.start([this] { close_entries(); });
    std::array<Thread, MAX_THREADS> helpers;
    for (uint32_t i = 1; i < threads; ++i) helpers[i].start([this] { work(); });
    work();
    for (Thread& helper : helpers) helper.join();
    {
      LockGuard lock(mutex_);
      decoded_ = true;
      changed_.notify_all();
    }
    closer.join();
  }

  bool mismatch() const { return mismatch_.load(); }
  const Status& failure() const { return failure_; }

 private:
  void work() {
    lzma_stream stream = LZMA_STREAM_INIT;
    StreamEnd end{&stream};
    // One buffer per thread for all its blocks (not one per block).
    std::vector<uint8_t> out(DATA_CHUNK);
    while (!stopped()) {
      size_t index = next_block_.fetch_add(1);
      if (index >= blocks_.size()) return;
      phase::Timed timed("decode: blocks");
      if (!decode_block(stream, blocks_[index], out)) stop_on_mismatch();
    }
  }

  bool decode_block(lzma_stream& stream, const StreamBlock& block, std::vector<uint8_t>& out) {
    lzma_block options;
    if (!start_block(stream, payload_.stream, check_, block, options)) return false;
    StreamCursor input(payload_, block.stream_offset + options.header_size,
                       block.stream_offset + block.total_size);
    uint64_t at = block.content_offset;
    const uint64_t end = block.content_offset + block.content_size;
    while (!stopped()) {
      if (stream.avail_in == 0) {
        // Input that cannot be read as verified: the in-order loop meets it too and says why.
        Result<std::span<const uint8_t>> next = input.next();
        if (!next) return false;
        stream.next_in = next->data();
        stream.avail_in = next->size();
      }
      stream.next_out = out.data();
      stream.avail_out = out.size();
      size_t in_before = stream.avail_in;
      lzma_ret ret = lzma_code(&stream, LZMA_RUN);
      // Bytes of a call that failed (a check that does not match comes with the block's last
      // bytes) are not trusted: nothing of them is placed.
      if (ret != LZMA_OK && ret != LZMA_STREAM_END) return false;
      size_t produced = out.size() - stream.avail_out;
      if (produced > end - at) return false;  // more than the index gives the block
      if (produced > 0) {
        if (!place(at, std::span<const uint8_t>(out.data(), produced))) return true;
        at += produced;
      }
      if (ret == LZMA_STREAM_END) return at == end;
      if (produced == 0 && stream.avail_in == in_before) return false;  // stuck: input ended
    }
    return true;
  }

  // Puts decoded bytes at content offset `at` where the map says they go; false once the run
  // is stopped (a writer failed, or a header differs from the map).
  bool place(uint64_t at, std::span<const uint8_t> bytes) {
    auto after = std::upper_bound(entries_.begin(), entries_.end(), at,
                                  [](uint64_t a, const Placed& e) { return a < e.header_at; });
    // The entry whose record holds `at`; SIZE_MAX before the first one.
    size_t index = static_cast<size_t>(after - entries_.begin()) - 1;
    while (!bytes.empty()) {
      // Bytes before the first record or past the last entry's data: the map does not cover
      // them, so it is not this stream's.
      if (index >= entries_.size()) {
        stop_on_mismatch();
        return false;
      }
      Placed& entry = entries_[index];
      if (at < entry.data_at) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(bytes.size(), entry.data_at - at));
        if (std::memcmp(bytes.data(), entry.header.data() + (at - entry.header_at), n) != 0) {
          stop_on_mismatch();
          return false;
        }
        at += n;
        bytes = bytes.subspan(n);
        continue;
      }
      uint64_t end = entry.data_at + entry.entry.size;
      size_t n = static_cast<size_t>(std::min<uint64_t>(bytes.size(), end - at));
      if (n > 0 && !write(entry, at - entry.data_at, bytes.first(n))) return false;
      at += n;
      bytes = bytes.subspan(n);
      ++index;
    }
    return !stopped();
  }

  // The entry's file, begun by the first thread that reaches it; the others wait for that.
  // The file is made outside the lock, so that the other decoding threads go on writing
  // meanwhile; begins are one at a time (begin_mutex_): a writer's begin may hold the entry's
  // folders open without sharing their deletion, and a second begin in the same folder at once
  // would be refused.
  EntryWriter* open(Placed& entry) {
    {
      LockGuard lock(mutex_);
      changed_.wait(lock, [&] { return !entry.opening; });
      if (entry.file) return entry.file.get();
      if (stopped()) return nullptr;
      entry.opening = true;
    }
    std::unique_ptr<EntryWriter> file = writer_.another();
    Status begun = [&] {
      LockGuard one_at_a_time(begin_mutex_);
      return phase::timed("write: begin", [&] { return file->begin(entry.entry); });
    }();
    LockGuard lock(mutex_);
    entry.opening = false;
    changed_.notify_all();
    if (!begun) {
      stop_on_failure(lock, std::move(begun));
      return nullptr;
    }
    entry.file = std::move(file);
    return entry.file.get();
  }

  // The closing thread: flushes and closes complete entries in the order they completed.
  void close_entries() {
    while (true) {
      Placed* entry;
      {
        LockGuard lock(mutex_);
        changed_.wait(lock, [&] { return !to_close_.empty() || decoded_; });
        if (to_close_.empty()) return;
        entry = to_close_.front();
        to_close_.pop_front();
        // After a failure nothing is committed: the entry is discarded with the others.
        if (stopped()) continue;
      }
      Status closed = phase::timed("write: flush, close", [&] { return entry->file->close(); });
      LockGuard lock(mutex_);
      if (!closed) {
        stop_on_failure(lock, std::move(closed));
        continue;
      }
      entry->closed = true;
    }
  }

  bool write(Placed& entry, uint64_t offset, std::span<const uint8_t> chunk) {
    EntryWriter* file = open(entry);
    if (!file) return false;
    Status wrote = phase::timed("write: data", [&] { return file->write_at(offset, chunk); });
    LockGuard lock(mutex_);
    if (!wrote) return stop_on_failure(lock, std::move(wrote));
    entry.written += chunk.size();
    written_ += chunk.size();
    progress_.report(static_cast<float>(written_) / denominator_, entry.entry.name);
    // Every byte is in, so no decoding thread holds the file any more.
    if (entry.written == entry.entry.size) {
      to_close_.push_back(&entry);
      changed_.notify_all();
    }
    return true;
  }

  bool stopped() const { return stop_.load(std::memory_order_relaxed); }
  void stop_on_mismatch() {
    mismatch_.store(true);
    stop_.store(true);
  }
  bool stop_on_failure(LockGuard&, Status failure) {
    if (failure_.ok()) failure_ = std::move(failure);
    stop_.store(true);
    return false;
  }

  const Payload& payload_;
  lzma_check check_;
  std::span<const StreamBlock> blocks_;
  std::vector<Placed>& entries_;
  EntryWriter& writer_;
  PayloadProgress& progress_;
  float denominator_;
  std::atomic<size_t> next_block_{0};
  std::atomic<bool> stop_{false};
  std::atomic<bool> mismatch_{false};
  Mutex mutex_;
  Mutex begin_mutex_;             // held around a writer's begin, and only there
  CondVar changed_;               // an entry's file made, an entry complete, decoding done
  std::deque<Placed*> to_close_;  // complete entries waiting for their flush and close
  bool decoded_ = false;          // every decoding thread has returned
  Status failure_;
  uint64_t written_ = 0;
};

// The phase log's line for a thread count the memory budget cut (names must be literals).
const char* budget_note(uint32_t threads) {
  static constexpr const char* NOTES[] = {
      "decode: memory budget allows 1 thread",  "decode: memory budget allows 2 threads",
      "decode: memory budget allows 3 threads", "decode: memory budget allows 4 threads",
      "decode: memory budget allows 5 threads", "decode: memory budget allows 6 threads",
      "decode: memory budget allows 7 threads"};
  return NOTES[std::clamp<uint32_t>(threads, 1, 7) - 1];
}

}  // namespace

uint64_t block_decode_memory(std::span<const uint8_t> stream, const StreamBlock& block) {
  lzma_stream_flags flags;
  if (stream.size() < LZMA_STREAM_HEADER_SIZE ||
      lzma_stream_header_decode(&flags, stream.data()) != LZMA_OK)
    return UINT64_MAX;
  return block_memory(stream, flags.check, block);
}

uint32_t threads_for_blocks(uint32_t wanted, uint64_t blocks, uint64_t per_thread) {
  uint64_t by_memory = per_thread == 0 ? wanted : DECODE_MEMORY_BUDGET / per_thread;
  uint64_t threads = std::min<uint64_t>({wanted, blocks, by_memory, MAX_THREADS});
  return static_cast<uint32_t>(std::max<uint64_t>(threads, 1));
}

Result<BlockDecode> decode_blocks(const Payload& payload, EntryWriter& writer,
                                  PayloadProgress& progress, uint32_t threads,
                                  std::vector<std::string>& closed) {
  std::vector<StreamBlock> blocks;
  if (!check_payload_stream(payload, &blocks) || blocks.size() < 2) return BlockDecode::Sequential;
  if (!writer.another()) return BlockDecode::Sequential;
  lzma_stream_flags flags;
  if (lzma_stream_header_decode(&flags, payload.stream.data()) != LZMA_OK)
    return BlockDecode::Sequential;

  const StreamBlock& map_block = blocks.back();
  if (map_block.content_size > MAX_BLOCK_MAP) return BlockDecode::Sequential;
  std::vector<uint8_t> map;
  if (!decode_whole_block(payload.stream, flags.check, map_block, map))
    return BlockDecode::Sequential;
  std::vector<Placed> entries = read_block_map(map, payload.entry_count, map_block.content_offset);
  if (entries.empty()) return BlockDecode::Sequential;
  std::span<const StreamBlock> content_blocks(blocks.data(), blocks.size() - 1);

  uint64_t per_thread = 0;
  for (const StreamBlock& block : content_blocks)
    per_thread = std::max(per_thread, block_memory(payload.stream, flags.check, block));
  uint32_t used = threads_for_blocks(threads, content_blocks.size(), per_thread);
  // The blocks would have kept more threads busy: say that memory is what limits them.
  if (used < std::min<uint64_t>(threads, content_blocks.size())) phase::mark(budget_note(used));

  Decoder decoder(payload, flags.check, content_blocks, entries, writer, progress,
                  payload.total_size);
  decoder.run(used);

  Status failure = decoder.failure();
  bool placed = failure.ok() && !decoder.mismatch();
  for (Placed& entry : entries) {
    if (!placed || entry.entry.size > 0) continue;
    // No bytes to carry it: it is written here, once every block is in.
    entry.file = writer.another();
    failure = entry.file->begin(entry.entry);
    if (failure) failure = entry.file->close();
    if (!failure) {
      placed = false;
      break;
    }
    entry.closed = true;
  }
  if (placed) {
    for (Placed& entry : entries) closed.push_back(entry.entry.name);
    return BlockDecode::Placed;
  }
  for (Placed& entry : entries) {
    if (entry.closed) {
      writer.drop(entry.entry.name);
    } else if (entry.file) {
      entry.file->discard();
    }
  }
  if (!failure) return fail(failure.error());
  return BlockDecode::Sequential;
}

}  // namespace vl
