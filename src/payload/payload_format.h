#pragma once
// The payload container, coded here once; the packer writes it, the header check, the reader's
// entry loop, the stream check and the block decoder read it, and the tests craft it from here.
//
//   header     magic "VLPL", u32 version 1, u64 total_size (the entries' data bytes), u32
//              entry_count, little-endian (20 bytes); one XZ stream follows.
//   entry      u16 name length, the name (UTF-8, relative, subfolders by backslash), u64 data
//              size, the data; entry_count of them, back to back, in the stream.
//   block map  after the last entry of a payload cut into several blocks, in a block of its
//              own: "VLBM", then every entry's record without its data, in payload order (the
//              entry loop never reads past its last entry, so the map changes nothing for it).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sys/result.h"

namespace vl {

inline constexpr std::string_view PAYLOAD_MAGIC = "VLPL";
inline constexpr uint32_t PAYLOAD_VERSION = 1;
inline constexpr size_t PAYLOAD_HEADER_SIZE = 20;
inline constexpr std::string_view BLOCK_MAP_MAGIC = "VLBM";
// An entry record's fixed fields: the name's length and the data's size.
inline constexpr size_t ENTRY_NAME_LENGTH_BYTES = 2;
inline constexpr size_t ENTRY_SIZE_BYTES = 8;
inline constexpr size_t ENTRY_FIXED_BYTES = ENTRY_NAME_LENGTH_BYTES + ENTRY_SIZE_BYTES;
inline constexpr size_t MAX_ENTRY_NAME = 0xFFFF;

// A borrowed view of the embedded container: the XZ stream (the blob less its header) and
// the header's figures. It owns nothing; the blob lives as long as the process.
class PayloadSource;
struct Payload {
  std::span<const uint8_t> stream;
  uint64_t total_size = 0;   // sum of the entries' data sizes
  uint32_t entry_count = 0;  // entries in the stream
  // When set, the decoders read the stream's bytes through it (payload_source.h) rather than
  // from `stream`, which then serves only the small reads of headers and the index.
  const PayloadSource* source = nullptr;
};

// One entry's header as read from the stream; its data is streamed, never held.
struct PayloadEntry {
  std::string name;  // UTF-8 relative path, subfolders separated by backslash
  uint64_t size = 0;
};

// The header's bytes.
std::vector<uint8_t> payload_header_bytes(uint64_t total_size, uint32_t entry_count);
// An entry's record up to its data: name length, name (at most MAX_ENTRY_NAME bytes), size.
std::vector<uint8_t> entry_header_bytes(std::string_view name, uint64_t size);
// The value of a little-endian field of up to 8 bytes (a name length, a size, a header figure).
uint64_t le_field(std::span<const uint8_t> bytes);
// The entry whose record starts `bytes` and the record's length up to its data; nullopt when
// `bytes` ends inside the record.
struct EntryHeader {
  PayloadEntry entry;
  size_t length = 0;
};
std::optional<EntryHeader> parse_entry_header(std::span<const uint8_t> bytes);
// The block map's bytes for entries in payload order.
std::vector<uint8_t> block_map_bytes(std::span<const PayloadEntry> entries);

// The failure of the header check: a development build carries no payload.
inline constexpr std::string_view TEXT_NO_PAYLOAD =
    "Энэ суулгагчид суулгах файл алга (хөгжүүлэлтийн build). "
    "scripts/build-installer-ээр build хийнэ үү.";
// Texts of a stream that does not hold what its header says.
inline constexpr std::string_view TEXT_PAYLOAD_DAMAGED =
    "payload is damaged ({}) — download the installer again";
// The reason a digest failure gives in the damaged-payload text.
inline constexpr std::string_view TEXT_DIGEST_MISMATCH = "checksum mismatch";
inline constexpr std::string_view TEXT_BAD_FILE_NAME = "payload: bad file name";
inline constexpr std::string_view TEXT_ENTRY_TRUNCATED = "payload: {} truncated";

// The header check: usable when the blob holds at least the header, starts with the magic
// and has version 1 (total_size and entry_count are not checked here). Fails with
// TEXT_NO_PAYLOAD.
Result<Payload> check_payload_header(std::span<const uint8_t> blob);

}  // namespace vl
