#pragma once
// A cheap look at the payload's XZ stream before the run removes anything: a truncated or
// damaged download must stop the installation while the earlier product is still in place,
// not in CopyFiles after Prepare and RemoveLegacy have taken it away.
#include <cstdint>
#include <span>
#include <vector>

#include "payload/payload_format.h"
#include "sys/result.h"
#include "sys/sha256.h"

namespace vl {

// Reads the stream from its end backwards, without decompressing any data: the stream header
// and footer are intact and agree, the index is intact and accounts for the stream's length
// exactly (one stream, nothing after it), every block's header is intact and agrees with the
// index, and the index's uncompressed size leaves room for `total_size` data bytes plus the
// fixed name-length and size fields of `entry_count` entries. The header's figures are not
// trusted for anything else. A failure is the damaged-payload text with a reader-style
// reason ("premature eof" for a cut stream, a decoder text for damage).
//
// Damage inside a block's compressed data passes here; check_payload_digest finds it.
//
// With `blocks`, the index's records are appended to it, in stream order.
struct StreamBlock {
  uint64_t stream_offset;   // where the block header starts in the stream
  uint64_t total_size;      // header, compressed data, padding and check
  uint64_t unpadded_size;   // as the index records it
  uint64_t content_offset;  // where its decompressed bytes start in the content
  uint64_t content_size;    // how many bytes it decodes to
};
Status check_payload_stream(const Payload& payload, std::vector<StreamBlock>* blocks = nullptr);

// Whether `blob` (the whole payload, header included) is the one the build recorded: `recorded`
// holds its SHA-256 as 64 hex digits (trailing whitespace allowed). Any damage to the blob, or a
// record that is missing or malformed, fails with the damaged-payload text and
// TEXT_DIGEST_MISMATCH. Reads every byte once: milliseconds for the shipped payload.
Status check_payload_digest(std::span<const uint8_t> blob, std::span<const uint8_t> recorded);

// The same comparison for a digest already computed.
Status check_digest_record(const Sha256Digest& digest, std::span<const uint8_t> recorded);

}  // namespace vl
