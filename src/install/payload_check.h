#pragma once
// A cheap look at the payload's XZ stream before the run removes anything: a truncated or
// damaged download must stop the installation while the earlier product is still in place,
// not in CopyFiles after Prepare and RemoveLegacy have taken it away.
#include <cstdint>
#include <span>

#include "install/install_job.h"
#include "sys/result.h"

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
Status check_payload_stream(const Payload& payload);

// The reason a digest failure gives in the damaged-payload text.
inline constexpr std::string_view TEXT_DIGEST_MISMATCH = "checksum mismatch";

// Whether `blob` (the whole payload, header included) is the one the build recorded: `recorded`
// holds its SHA-256 as 64 hex digits (trailing whitespace allowed). Any damage to the blob, or a
// record that is missing or malformed, fails with the damaged-payload text and
// TEXT_DIGEST_MISMATCH. Reads every byte once: milliseconds for the shipped payload.
Status check_payload_digest(std::span<const uint8_t> blob, std::span<const uint8_t> recorded);

}  // namespace vl
