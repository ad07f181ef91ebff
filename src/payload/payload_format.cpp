#include "payload/payload_format.h"

#include <cstring>

namespace vl {

namespace {

void put_le(std::vector<uint8_t>& out, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> payload_header_bytes(uint64_t total_size, uint32_t entry_count) {
  std::vector<uint8_t> header(PAYLOAD_MAGIC.begin(), PAYLOAD_MAGIC.end());
  put_le(header, PAYLOAD_VERSION, 4);
  put_le(header, total_size, 8);
  put_le(header, entry_count, 4);
  return header;
}

std::vector<uint8_t> entry_header_bytes(std::string_view name, uint64_t size) {
  std::vector<uint8_t> header;
  header.reserve(ENTRY_FIXED_BYTES + name.size());
  put_le(header, name.size(), ENTRY_NAME_LENGTH_BYTES);
  header.insert(header.end(), name.begin(), name.end());
  put_le(header, size, ENTRY_SIZE_BYTES);
  return header;
}

uint64_t le_field(std::span<const uint8_t> bytes) {
  uint64_t value = 0;
  for (size_t i = 0; i < bytes.size() && i < 8; ++i) value |= uint64_t{bytes[i]} << (8 * i);
  return value;
}

std::optional<EntryHeader> parse_entry_header(std::span<const uint8_t> bytes) {
  if (bytes.size() < ENTRY_NAME_LENGTH_BYTES) return std::nullopt;
  const size_t name_length = static_cast<size_t>(le_field(bytes.first(ENTRY_NAME_LENGTH_BYTES)));
  if (bytes.size() - ENTRY_NAME_LENGTH_BYTES < name_length + ENTRY_SIZE_BYTES) return std::nullopt;
  EntryHeader header;
  header.entry.name.assign(reinterpret_cast<const char*>(bytes.data() + ENTRY_NAME_LENGTH_BYTES),
                           name_length);
  header.entry.size =
      le_field(bytes.subspan(ENTRY_NAME_LENGTH_BYTES + name_length, ENTRY_SIZE_BYTES));
  header.length = ENTRY_FIXED_BYTES + name_length;
  return header;
}

std::vector<uint8_t> block_map_bytes(std::span<const PayloadEntry> entries) {
  std::vector<uint8_t> map(BLOCK_MAP_MAGIC.begin(), BLOCK_MAP_MAGIC.end());
  for (const PayloadEntry& entry : entries) {
    std::vector<uint8_t> header = entry_header_bytes(entry.name, entry.size);
    map.insert(map.end(), header.begin(), header.end());
  }
  return map;
}

Result<Payload> check_payload_header(std::span<const uint8_t> blob) {
  if (blob.size() < PAYLOAD_HEADER_SIZE ||
      std::memcmp(blob.data(), PAYLOAD_MAGIC.data(), PAYLOAD_MAGIC.size()) != 0 ||
      le_field(blob.subspan(4, 4)) != PAYLOAD_VERSION) {
    return fail(std::string(TEXT_NO_PAYLOAD));
  }
  Payload payload;
  payload.total_size = le_field(blob.subspan(8, 8));
  payload.entry_count = static_cast<uint32_t>(le_field(blob.subspan(16, 4)));
  payload.stream = blob.subspan(PAYLOAD_HEADER_SIZE);
  return payload;
}

}  // namespace vl
