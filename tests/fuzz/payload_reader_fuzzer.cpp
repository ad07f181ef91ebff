// Fuzzes the payload reader and entry loop: every input ends in success or in one of the
// texts the reader defines, never in a crash, and no entry is placed with other than its
// declared number of bytes.
//
// The first input byte chooses how the rest becomes a payload stream:
//   even: the rest is the decompressed content; it is compressed into a valid XZ stream, and
//         then, when the byte's bit 1 is set, one byte of that stream is flipped at a position
//         taken from the next two input bytes (damage to the container and the check);
//   odd:  the rest is taken as the compressed stream itself.
// Bits 2..7 of the first byte give entry_count (0..63). A content of more than 4 KiB is cut
// into 1 KiB blocks followed by the block map of its entries (the layout the block-parallel
// decode takes).
//
// The same stream also goes through the check that runs before anything is removed: it ends
// in success or the damaged-payload text, and an undamaged stream always passes it.
#include <lzma.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../native/payload_texts.h"
#include "install/install_job.h"
#include "payload/block_decode.h"
#include "payload/copy_entries.h"
#include "payload/payload_check.h"
#include "sys/paths.h"

namespace {

// Every entry name the run began, counted once however often it comes (a name that comes again
// is written over the same file), from any thread.
class NamesBegun {
 public:
  void add(const std::string& name) {
    std::lock_guard lock(mutex_);
    for (const std::string& seen : names_)
      if (vl::same_path(seen, name)) return;
    names_.push_back(name);
  }
  size_t distinct() const { return names_.size(); }

 private:
  std::mutex mutex_;
  std::vector<std::string> names_;
};

// The entries a block-parallel decode writes at offsets: never past the declared size, never
// closed short.
class CheckingEntry final : public vl::EntryWriter {
 public:
  explicit CheckingEntry(NamesBegun& names) : names_(names) {}
  vl::Status begin(const vl::PayloadEntry& entry) override {
    names_.add(entry.name);
    declared_ = entry.size;
    return vl::Status::success();
  }
  vl::Status write(std::span<const uint8_t>) override { std::abort(); }
  vl::Status write_at(uint64_t offset, std::span<const uint8_t> chunk) override {
    if (chunk.empty() || offset + chunk.size() > declared_) std::abort();
    received_ += chunk.size();
    return vl::Status::success();
  }
  vl::Status close() override {
    if (received_ != declared_) std::abort();
    return vl::Status::success();
  }
  void discard() override {}
  vl::Status commit(std::string_view) override { std::abort(); }
  void drop(std::string_view) override { std::abort(); }

 private:
  NamesBegun& names_;
  uint64_t declared_ = 0;
  std::atomic<uint64_t> received_{0};
};

class CheckingWriter final : public vl::EntryWriter {
 public:
  vl::Status begin(const vl::PayloadEntry& entry) override {
    if (open_) std::abort();  // an entry began before the previous one ended
    open_ = true;
    names_begun.add(entry.name);
    name_ = entry.name;
    declared_ = entry.size;
    received_ = 0;
    return vl::Status::success();
  }
  vl::Status write(std::span<const uint8_t> chunk) override {
    if (!open_ || chunk.empty() || chunk.size() > vl::DATA_CHUNK) std::abort();
    received_ += chunk.size();
    if (received_ > declared_) std::abort();  // more than the entry's size was handed over
    return vl::Status::success();
  }
  vl::Status close() override {
    if (!open_ || received_ != declared_) std::abort();  // a short entry must never be placed
    open_ = false;
    // A name that comes again is written over the same temporary file: one entry to place.
    std::erase_if(closed_, [this](const std::string& name) { return vl::same_path(name, name_); });
    closed_.push_back(name_);
    return vl::Status::success();
  }
  void discard() override {
    if (!open_) std::abort();
    open_ = false;
  }
  vl::Status commit(std::string_view) override {
    if (open_ || (!positional_ && committed + dropped >= closed_.size())) std::abort();
    ++committed;
    return vl::Status::success();
  }
  void drop(std::string_view) override {
    if (open_ || (!positional_ && committed + dropped >= closed_.size())) std::abort();
    ++dropped;
  }
  // Block-parallel entries are closed through their own writers; they are committed or
  // dropped here by name.
  std::unique_ptr<vl::EntryWriter> another() override {
    positional_ = true;
    return std::make_unique<CheckingEntry>(names_begun);
  }
  size_t closed() const { return positional_ ? committed + dropped : closed_.size(); }
  size_t committed = 0;
  size_t dropped = 0;
  NamesBegun names_begun;

 private:
  bool open_ = false;
  bool positional_ = false;
  uint64_t declared_ = 0;
  uint64_t received_ = 0;
  std::string name_;
  std::vector<std::string> closed_;
};

class NullSink final : public vl::ProgressSink {
 public:
  void step_started(vl::InstallStep) override {}
  void report_progress(float fraction, std::string_view) override {
    if (!(fraction >= 0.0f && fraction <= 1.0f)) std::abort();
  }
};

// A small dictionary keeps each run's encoder and decoder allocations cheap.
std::vector<uint8_t> compress(const uint8_t* data, size_t size) {
  static lzma_options_lzma options = [] {
    lzma_options_lzma o;
    lzma_lzma_preset(&o, 0);
    o.dict_size = LZMA_DICT_SIZE_MIN;
    return o;
  }();
  lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  std::vector<uint8_t> out(lzma_stream_buffer_bound(size));
  size_t out_pos = 0;
  if (lzma_stream_buffer_encode(filters, LZMA_CHECK_CRC32, nullptr, data, size, out.data(),
                                &out_pos, out.size()) != LZMA_OK) {
    std::abort();
  }
  out.resize(out_pos);
  return out;
}

// The content's entries as the entry loop would read them; empty when they do not parse.
std::vector<vl::PayloadEntry> parse_entries(const uint8_t* data, size_t size, uint32_t count,
                                            size_t& end) {
  std::vector<vl::PayloadEntry> entries;
  size_t at = 0;
  for (uint32_t i = 0; i < count; ++i) {
    auto record = vl::parse_entry_header(std::span<const uint8_t>(data + at, size - at));
    if (!record) return {};
    at += record->length;
    if (record->entry.size > size - at) return {};
    at += record->entry.size;
    entries.push_back(std::move(record->entry));
  }
  end = at;
  return entries;
}

// Several blocks of `block` bytes, then the block map of the entries that parse (so that the
// block-parallel decode takes the stream), in a block of its own.
std::vector<uint8_t> compress_blocks(const uint8_t* data, size_t size, uint32_t count) {
  size_t end = 0;
  std::vector<vl::PayloadEntry> entries = parse_entries(data, size, count, end);
  std::vector<uint8_t> map = vl::block_map_bytes(entries);
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 0);
  options.dict_size = LZMA_DICT_SIZE_MIN;
  lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_mt mt{};
  mt.threads = 1;
  mt.block_size = 1024;
  mt.filters = filters;
  mt.check = LZMA_CHECK_CRC32;
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_stream_encoder_mt(&stream, &mt) != LZMA_OK) std::abort();
  std::vector<uint8_t> out(2 * (size + map.size()) + 65536);
  stream.next_out = out.data();
  stream.avail_out = out.size();
  auto run = [&](const uint8_t* in, size_t n, lzma_action action) {
    stream.next_in = in;
    stream.avail_in = n;
    lzma_ret ret = LZMA_OK;
    while (ret == LZMA_OK && (action != LZMA_RUN || stream.avail_in > 0))
      ret = lzma_code(&stream, action);
    if (ret != LZMA_OK && ret != LZMA_STREAM_END) std::abort();
  };
  run(data, entries.empty() ? size : end, LZMA_RUN);
  if (!entries.empty()) {
    run(nullptr, 0, LZMA_FULL_FLUSH);
    run(map.data(), map.size(), LZMA_RUN);
  }
  run(nullptr, 0, LZMA_FINISH);
  out.resize(out.size() - stream.avail_out);
  lzma_end(&stream);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t mode = data[0];
  uint32_t entry_count = mode >> 2;
  std::vector<uint8_t> stream;
  bool intact = false;
  if (mode & 1) {
    stream.assign(data + 1, data + size);
  } else {
    bool damage = mode & 2;
    size_t skip = damage && size >= 3 ? 3 : 1;
    // Inputs of more than a few blocks go through the block-parallel decode.
    stream = size - skip > 4096 ? compress_blocks(data + skip, size - skip, entry_count)
                                : compress(data + skip, size - skip);
    intact = !damage;
    if (damage && size >= 3 && !stream.empty()) {
      size_t at = (static_cast<size_t>(data[1]) << 8 | data[2]) % stream.size();
      stream[at] ^= 0xFF;
    }
  }
  // Only the stream's structure: no figures claimed.
  vl::Status checked = vl::check_payload_stream(vl::Payload{stream, 0, 0});
  if (intact && !checked.ok()) {
    std::fprintf(stderr, "an intact stream was refused: %s\n", checked.error().c_str());
    std::abort();
  }
  if (!checked.ok() && !vl::testing_support::is_defined_payload_text(checked.error())) {
    std::fprintf(stderr, "undefined check text: %s\n", checked.error().c_str());
    std::abort();
  }

  vl::Payload payload{stream, size, entry_count};
  CheckingWriter writer;
  NullSink sink;
  std::vector<vl::InstallStep> steps{vl::InstallStep::CopyFiles};
  vl::StepProgress progress(sink, steps, vl::InstallStep::CopyFiles);
  std::vector<std::string> installed;
  vl::Status result = vl::copy_payload_entries(payload, writer, progress, installed);
  if (installed.size() != writer.committed) std::abort();
  if (!result.ok() && writer.committed != 0) std::abort();  // a failed run renames nothing
  if (writer.committed + writer.dropped != writer.closed()) std::abort();
  if (!result.ok() && !vl::testing_support::is_defined_payload_text(result.error())) {
    std::fprintf(stderr, "undefined failure text: %s\n", result.error().c_str());
    std::abort();
  }
  // A name that comes again is placed once: one recorded name per distinct name.
  if (result.ok() && installed.size() != writer.names_begun.distinct()) std::abort();
  return 0;
}
