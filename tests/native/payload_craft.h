#pragma once
// Builds payload blobs for the reader's tests: entry records and the header as the format
// codes them, XZ streams made with liblzma.
#include <lzma.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "payload/payload_format.h"

namespace vl::craft {

using Bytes = std::vector<uint8_t>;

inline void append(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

// One entry record; `declared_size` overrides the size field (for short entries).
inline Bytes entry(std::string_view name, std::string_view data,
                   std::optional<uint64_t> declared_size = std::nullopt) {
  Bytes out = entry_header_bytes(name, declared_size.value_or(data.size()));
  append(out, data);
  return out;
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// One XZ stream holding `content`.
inline Bytes xz(const Bytes& content, lzma_check check = LZMA_CHECK_CRC32, uint32_t preset = 1) {
  Bytes out(lzma_stream_buffer_bound(content.size()));
  size_t out_pos = 0;
  if (lzma_easy_buffer_encode(preset, check, nullptr, content.data(), content.size(), out.data(),
                              &out_pos, out.size()) != LZMA_OK) {
    throw std::runtime_error("xz encode failed");
  }
  out.resize(out_pos);
  return out;
}

// A two-thread encoder of blocks of `block_size` bytes whose headers state their sizes (it
// copies the filter options it is given).
inline void start_block_encoder(lzma_stream& stream, uint64_t block_size) {
  lzma_options_lzma lzma;
  lzma_lzma_preset(&lzma, 1);
  lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &lzma}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_mt mt{};
  mt.threads = 2;
  mt.block_size = block_size;
  mt.filters = filters;
  mt.check = LZMA_CHECK_CRC32;
  if (lzma_stream_encoder_mt(&stream, &mt) != LZMA_OK) throw std::runtime_error("xz encode failed");
}

// One XZ stream of independent blocks of `block_size` decompressed bytes whose headers state
// their sizes (the form the multi-threaded decoder spreads over threads).
inline Bytes xz_blocks(const Bytes& content, uint64_t block_size) {
  lzma_stream stream = LZMA_STREAM_INIT;
  start_block_encoder(stream, block_size);
  Bytes out(2 * content.size() + 65536);  // incompressible blocks grow a little each
  stream.next_in = content.data();
  stream.avail_in = content.size();
  stream.next_out = out.data();
  stream.avail_out = out.size();
  lzma_ret ret = LZMA_OK;
  while (ret == LZMA_OK) ret = lzma_code(&stream, LZMA_FINISH);  // the threads finish in turns
  out.resize(out.size() - stream.avail_out);
  lzma_end(&stream);
  if (ret != LZMA_STREAM_END) throw std::runtime_error("xz encode failed");
  return out;
}

// One XZ stream of blocks of `block_size` bytes of `content` (the last one shorter), then
// `tail` in a block of its own (where the packer puts the block map).
inline Bytes xz_blocks_then(const Bytes& content, uint64_t block_size, const Bytes& tail) {
  lzma_stream stream = LZMA_STREAM_INIT;
  start_block_encoder(stream, block_size);
  Bytes out(2 * (content.size() + tail.size()) + 65536);
  stream.next_out = out.data();
  stream.avail_out = out.size();
  auto run = [&](const Bytes& in, lzma_action action) {
    stream.next_in = in.data();
    stream.avail_in = in.size();
    lzma_ret ret = LZMA_OK;
    while (ret == LZMA_OK && (action != LZMA_RUN || stream.avail_in > 0)) ret = lzma_code(&stream, action);
    if (ret != LZMA_OK && ret != LZMA_STREAM_END) throw std::runtime_error("xz encode failed");
  };
  run(content, LZMA_RUN);
  run({}, LZMA_FULL_FLUSH);
  run(tail, LZMA_RUN);
  run({}, LZMA_FINISH);
  out.resize(out.size() - stream.avail_out);
  lzma_end(&stream);
  return out;
}

// Where each block of `stream` starts (in the stream) and how many bytes it decodes to.
struct BlockPlace {
  uint64_t offset;
  uint64_t uncompressed_offset;
};
// Where the index starts in an XZ stream, as its footer says; 0 when there is no intact footer.
inline size_t index_offset(const Bytes& stream) {
  lzma_stream_flags footer;
  if (stream.size() < 2 * LZMA_STREAM_HEADER_SIZE ||
      lzma_stream_footer_decode(&footer, stream.data() + stream.size() - LZMA_STREAM_HEADER_SIZE) != LZMA_OK ||
      footer.backward_size > stream.size() - 2 * LZMA_STREAM_HEADER_SIZE) {
    return 0;
  }
  return stream.size() - LZMA_STREAM_HEADER_SIZE - footer.backward_size;
}

inline std::vector<BlockPlace> block_places(const Bytes& stream) {
  std::vector<BlockPlace> places;
  const size_t index_at = index_offset(stream);
  if (index_at == 0) return places;
  lzma_index* index = nullptr;
  uint64_t memlimit = UINT64_MAX;
  size_t in_pos = index_at;
  if (lzma_index_buffer_decode(&index, &memlimit, nullptr, stream.data(), &in_pos, stream.size()) !=
      LZMA_OK) {
    return places;
  }
  lzma_index_iter iter;
  lzma_index_iter_init(&iter, index);
  while (!lzma_index_iter_next(&iter, LZMA_INDEX_ITER_BLOCK)) {
    places.push_back({iter.block.compressed_file_offset, iter.block.uncompressed_file_offset});
  }
  lzma_index_end(index, nullptr);
  return places;
}

// The payload's header; a four-letter `magic` or a `version` other than the format's makes a
// foreign one.
inline Bytes header(uint64_t total_size, uint32_t entry_count, uint32_t version = PAYLOAD_VERSION,
                    std::string_view magic = PAYLOAD_MAGIC) {
  Bytes out = payload_header_bytes(total_size, entry_count);
  std::copy(magic.begin(), magic.begin() + std::min<size_t>(magic.size(), 4), out.begin());
  for (size_t i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(version >> (8 * i));
  return out;
}

// Deterministic bytes that compress poorly (so a cut in the compressed stream lands inside
// the data).
inline std::string noise(size_t size, uint32_t seed = 1) {
  std::string out(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (char& c : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return out;
}

inline Bytes noise_bytes(size_t size, uint32_t seed = 2) {
  std::string text = noise(size, seed);
  return Bytes(text.begin(), text.end());
}

}  // namespace vl::craft
