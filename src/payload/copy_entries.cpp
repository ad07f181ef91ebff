#include "payload/copy_entries.h"

#include <algorithm>
#include <array>
#include <vector>

#include "payload/block_decode.h"
#include "payload/entry_queue.h"
#include "payload/payload_reader.h"
#include "sys/paths.h"
#include "sys/phase_times.h"
#include "sys/text.h"

namespace vl {

namespace {

Failure damaged(const std::string& reason) {
  return fail(format_text(TEXT_PAYLOAD_DAMAGED, {reason}));
}

// One fixed field of an entry's record, `width` bytes, little-endian.
Result<uint64_t> read_field(PayloadReader& reader, size_t width) {
  std::array<uint8_t, ENTRY_SIZE_BYTES> bytes{};
  std::span<uint8_t> field(bytes.data(), width);
  if (Status read = reader.read_exact(field); !read) return damaged(read.error());
  return le_field(field);
}

Result<PayloadEntry> read_entry_header(PayloadReader& reader) {
  Result<uint64_t> name_length = read_field(reader, ENTRY_NAME_LENGTH_BYTES);
  if (!name_length) return name_length.failure();
  std::string name(static_cast<size_t>(*name_length), '\0');
  std::span<uint8_t> name_bytes(reinterpret_cast<uint8_t*>(name.data()), name.size());
  if (Status read = reader.read_exact(name_bytes); !read) return damaged(read.error());
  if (!is_valid_entry_name(name)) return fail(std::string(TEXT_BAD_FILE_NAME));
  Result<uint64_t> size = read_field(reader, ENTRY_SIZE_BYTES);
  if (!size) return size.failure();
  return PayloadEntry{std::move(name), *size};
}

// The decoding side: every entry's header read here, its data read into the queue's buffers.
Status decode_entries(PayloadReader& reader, uint32_t entry_count, EntryQueue& queue) {
  for (uint32_t index = 0; index < entry_count; ++index) {
    Result<PayloadEntry> entry = read_entry_header(reader);
    if (!entry) return entry.failure();
    std::string name = entry->name;
    uint64_t remaining = entry->size;
    if (Status begun = queue.begin(std::move(*entry)); !begun) return begun;

    bool data_ended = false;
    while (remaining > 0 && !data_ended) {
      std::span<uint8_t> buffer =
          phase::timed("decode: waits for a buffer", [&] { return queue.free_buffer(); });
      if (buffer.empty()) return queue.finish();  // the writer failed
      // One read-some call yields what one 8 KiB input chunk decodes to; gathering reads up to
      // the chunk size keeps writes and progress reports at 256 KiB.
      size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, buffer.size()));
      size_t filled = 0;
      while (filled < want) {
        Result<size_t> n = reader.read_some(buffer.subspan(filled, want - filled));
        if (!n) {
          queue.discard();
          return n.failure();
        }
        if (*n == 0) {
          data_ended = true;
          break;
        }
        filled += *n;
      }
      if (filled == 0) break;
      if (Status wrote = queue.write(filled); !wrote) return wrote;
      remaining -= filled;
    }
    if (remaining > 0) {
      queue.discard();
      return fail(format_text(TEXT_ENTRY_TRUNCATED, {name}));
    }
    if (Status closed = queue.close(); !closed) return closed;
  }
  if (Status finished = reader.finish(); !finished) return damaged(finished.error());
  return Status::success();
}

// The second stage: with the stream verified (`outcome` a success), each closed entry takes
// its final name in payload order; whatever is not committed is dropped.
Status commit_entries(EntryWriter& writer, std::span<const std::string> closed, Status outcome,
                      std::vector<std::string>& installed_files) {
  if (outcome) outcome = writer.before_commits();
  for (const std::string& name : closed) {
    if (outcome) {
      outcome = writer.commit(name);
      if (outcome) {
        installed_files.push_back(name);
        continue;
      }
    }
    writer.drop(name);
  }
  return outcome;
}

}  // namespace

Status copy_payload_entries(const Payload& payload, EntryWriter& writer, PayloadProgress& progress,
                            std::vector<std::string>& installed_files, uint32_t threads) {
  {
    std::vector<std::string> closed;
    Result<BlockDecode> blocks = phase::timed(
        "decode: all", [&] { return decode_blocks(payload, writer, progress, threads, closed); });
    if (!blocks) return blocks.failure();
    if (*blocks == BlockDecode::Placed) {
      phase::Timed timed("commit: rename all");
      return commit_entries(writer, closed, Status::success(), installed_files);
    }
  }
  Result<PayloadReader> opened = PayloadReader::open(payload, threads);
  if (!opened) return opened.failure();
  EntryQueue queue(writer, progress, payload.total_size);
  Status decoded = phase::timed("decode: all",
                                [&] { return decode_entries(*opened, payload.entry_count, queue); });
  Status written = phase::timed("decode: waits for the last writes", [&] { return queue.finish(); });
  // The writer works behind the decoder: its failure concerns earlier bytes and comes first.
  phase::Timed timed("commit: rename all");
  return commit_entries(writer, queue.closed(), written ? decoded : written, installed_files);
}

}  // namespace vl
