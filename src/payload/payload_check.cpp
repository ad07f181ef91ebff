#include "payload/payload_check.h"

#include <lzma.h>

#include <array>
#include <memory>
#include <string>

#include "payload/lzma_filter_chain.h"
#include "payload/payload_format.h"
#include "payload/payload_reader.h"
#include "sys/sha256.h"
#include "sys/text.h"

namespace vl {

namespace {

// The smallest entry record besides its data: the fixed fields and a name of at least one byte
// (an empty name is refused by the entry loop).
constexpr uint64_t MIN_ENTRY_RECORD = ENTRY_FIXED_BYTES + 1;
// The index of a real payload holds a few records per megabyte; this only keeps a hostile
// index from growing the decoder's tables without bound.
constexpr uint64_t INDEX_MEMORY_LIMIT = 64ull << 20;

Failure damaged(std::string_view reason) {
  return fail(format_text(TEXT_PAYLOAD_DAMAGED, {reason}));
}
Failure damaged(lzma_ret ret) { return damaged(lzma_error_text(ret)); }

struct IndexDeleter {
  void operator()(lzma_index* index) const { lzma_index_end(index, nullptr); }
};
using UniqueIndex = std::unique_ptr<lzma_index, IndexDeleter>;

// One block's header, at `offset` in the stream, against the index's record of that block.
Status check_block_header(std::span<const uint8_t> stream, uint64_t index_at, lzma_check check,
                          const lzma_index_iter& record) {
  uint64_t offset = record.block.compressed_stream_offset;
  if (offset >= index_at) return damaged(LZMA_DATA_ERROR);
  lzma_block block{};
  block.version = 1;
  block.check = check;
  block.header_size = lzma_block_header_size_decode(stream[offset]);
  if (stream[offset] == 0x00 || offset + block.header_size > index_at)
    return damaged(LZMA_DATA_ERROR);
  FilterChain chain;
  block.filters = chain.filters.data();
  if (lzma_ret ret = lzma_block_header_decode(&block, nullptr, stream.data() + offset);
      ret != LZMA_OK) {
    return damaged(ret);
  }
  // Checks the header's compressed size, if it states one, against the index's record.
  if (lzma_ret ret = lzma_block_compressed_size(&block, record.block.unpadded_size);
      ret != LZMA_OK) {
    return damaged(ret);
  }
  if (block.uncompressed_size != LZMA_VLI_UNKNOWN &&
      block.uncompressed_size != record.block.uncompressed_size) {
    return damaged(LZMA_DATA_ERROR);
  }
  return Status::success();
}

}  // namespace

Status check_payload_stream(const Payload& payload, std::vector<StreamBlock>* blocks) {
  const std::span<const uint8_t> stream = payload.stream;
  // A cut download loses the footer first: whatever the last bytes are, they are not one.
  constexpr size_t FLAGS_SIZE = LZMA_STREAM_HEADER_SIZE;
  if (stream.size() < 2 * FLAGS_SIZE) return damaged(TEXT_PREMATURE_EOF);
  const uint8_t* footer_bytes = stream.data() + stream.size() - FLAGS_SIZE;
  if (footer_bytes[FLAGS_SIZE - 2] != 'Y' || footer_bytes[FLAGS_SIZE - 1] != 'Z') {
    return damaged(TEXT_PREMATURE_EOF);
  }

  lzma_stream_flags header;
  lzma_stream_flags footer;
  if (lzma_ret ret = lzma_stream_header_decode(&header, stream.data()); ret != LZMA_OK)
    return damaged(ret);
  if (lzma_ret ret = lzma_stream_footer_decode(&footer, footer_bytes); ret != LZMA_OK)
    return damaged(ret);
  if (lzma_ret ret = lzma_stream_flags_compare(&header, &footer); ret != LZMA_OK)
    return damaged(ret);

  const uint64_t index_end = stream.size() - FLAGS_SIZE;
  if (footer.backward_size > index_end - FLAGS_SIZE) return damaged(TEXT_PREMATURE_EOF);
  const uint64_t index_at = index_end - footer.backward_size;

  lzma_index* decoded = nullptr;
  uint64_t memlimit = INDEX_MEMORY_LIMIT;
  size_t in_pos = index_at;
  lzma_ret ret =
      lzma_index_buffer_decode(&decoded, &memlimit, nullptr, stream.data(), &in_pos, index_end);
  UniqueIndex index(decoded);
  if (ret != LZMA_OK) return damaged(ret);
  if (in_pos != index_end) return damaged(LZMA_DATA_ERROR);  // backward size and index disagree
  if ((ret = lzma_index_stream_flags(index.get(), &footer)) != LZMA_OK) return damaged(ret);
  // The blocks fill the bytes between the stream header and the index exactly.
  if (lzma_index_stream_size(index.get()) != stream.size()) return damaged(LZMA_DATA_ERROR);

  lzma_index_iter record;
  lzma_index_iter_init(&record, index.get());
  while (!lzma_index_iter_next(&record, LZMA_INDEX_ITER_BLOCK)) {
    if (Status block = check_block_header(stream, index_at, footer.check, record); !block)
      return block;
    if (blocks) {
      blocks->push_back({record.block.compressed_stream_offset, record.block.total_size,
                         record.block.unpadded_size, record.block.uncompressed_stream_offset,
                         record.block.uncompressed_size});
    }
  }

  // Room for the data and the entries' fixed fields; sums that overflow cannot fit either.
  const uint64_t uncompressed = lzma_index_uncompressed_size(index.get());
  const uint64_t records = uint64_t{payload.entry_count} * MIN_ENTRY_RECORD;
  if (payload.total_size > uncompressed || records > uncompressed - payload.total_size) {
    return damaged(TEXT_CORRUPT_XZ);
  }
  return Status::success();
}

Status check_payload_digest(std::span<const uint8_t> blob, std::span<const uint8_t> recorded) {
  return check_digest_record(sha256(blob), recorded);
}

Status check_digest_record(const Sha256Digest& digest, std::span<const uint8_t> recorded) {
  while (!recorded.empty() &&
         (recorded.back() == '\n' || recorded.back() == '\r' || recorded.back() == ' ')) {
    recorded = recorded.first(recorded.size() - 1);
  }
  if (recorded.size() != 2 * digest.size()) return damaged(TEXT_DIGEST_MISMATCH);
  constexpr std::string_view HEX = "0123456789abcdef";
  for (size_t i = 0; i < digest.size(); ++i) {
    auto lower = [](uint8_t c) { return static_cast<char>(c >= 'A' && c <= 'F' ? c + 32 : c); };
    if (lower(recorded[2 * i]) != HEX[digest[i] >> 4] ||
        lower(recorded[2 * i + 1]) != HEX[digest[i] & 15]) {
      return damaged(TEXT_DIGEST_MISMATCH);
    }
  }
  return Status::success();
}

}  // namespace vl
