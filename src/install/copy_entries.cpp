#include "install/copy_entries.h"

#include <algorithm>
#include <array>
#include <vector>

#include "sys/paths.h"
#include "install/payload_reader.h"
#include "sys/text.h"

namespace vl {

namespace {

Failure damaged(const std::string& reason) {
  return fail(format_text(TEXT_PAYLOAD_DAMAGED, {reason}));
}

template <typename T>
Result<T> read_le(PayloadReader& reader) {
  std::array<uint8_t, sizeof(T)> bytes;
  if (Status read = reader.read_exact(bytes); !read) return damaged(read.error());
  T value = 0;
  for (size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(bytes[i]) << (8 * i);
  return value;
}

Result<PayloadEntry> read_entry_header(PayloadReader& reader) {
  Result<uint16_t> name_length = read_le<uint16_t>(reader);
  if (!name_length) return name_length.failure();
  std::string name(*name_length, '\0');
  std::span<uint8_t> name_bytes(reinterpret_cast<uint8_t*>(name.data()), name.size());
  if (Status read = reader.read_exact(name_bytes); !read) return damaged(read.error());
  if (!is_valid_entry_name(name)) return fail(std::string(TEXT_BAD_FILE_NAME));
  Result<uint64_t> size = read_le<uint64_t>(reader);
  if (!size) return size.failure();
  return PayloadEntry{std::move(name), *size};
}

}  // namespace

Status copy_payload_entries(const Payload& payload, EntryWriter& writer, StepProgress& progress,
                            std::vector<std::string>& installed_files) {
  Result<PayloadReader> opened = PayloadReader::open(payload);
  if (!opened) return opened.failure();
  PayloadReader& reader = *opened;
  const float denominator =
      payload.total_size == 0 ? 1.0f : static_cast<float>(payload.total_size);
  uint64_t written = 0;
  std::vector<uint8_t> buffer(DATA_CHUNK);

  for (uint32_t index = 0; index < payload.entry_count; ++index) {
    Result<PayloadEntry> entry = read_entry_header(reader);
    if (!entry) return entry.failure();
    if (Status begun = writer.begin(*entry); !begun) return begun;

    uint64_t remaining = entry->size;
    bool data_ended = false;
    while (remaining > 0 && !data_ended) {
      // One read-some call yields what one 8 KiB input chunk decodes to; gathering reads up to
      // the chunk size keeps writes and progress reports at 256 KiB.
      size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, DATA_CHUNK));
      size_t filled = 0;
      while (filled < want) {
        Result<size_t> n = reader.read_some(std::span(buffer.data() + filled, want - filled));
        if (!n) {
          writer.discard();
          return n.failure();
        }
        if (*n == 0) {
          data_ended = true;
          break;
        }
        filled += *n;
      }
      if (filled == 0) break;
      if (Status wrote = writer.write(std::span(buffer.data(), filled)); !wrote) return wrote;
      remaining -= filled;
      written += filled;
      progress.report(static_cast<float>(written) / denominator, entry->name);
    }
    if (remaining > 0) {
      writer.discard();
      return fail(format_text(TEXT_ENTRY_TRUNCATED, {entry->name}));
    }
    if (index + 1 == payload.entry_count) {
      if (Status finished = reader.finish(); !finished) {
        writer.discard();
        return damaged(finished.error());
      }
    }
    if (Status committed = writer.commit(); !committed) return committed;
    installed_files.push_back(std::move(entry->name));
  }
  if (payload.entry_count == 0) {
    if (Status finished = reader.finish(); !finished) return damaged(finished.error());
  }
  return Status::success();
}

}  // namespace vl
