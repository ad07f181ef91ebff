#pragma once
// A cheap look at the payload's XZ stream before the run removes anything: a truncated or
// damaged download must stop the installation while the earlier product is still in place,
// not in CopyFiles after Prepare and RemoveLegacy have taken it away.
#include <cstdint>
#include <vector>

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
// Damage inside a block's compressed data passes: it is found only while CopyFiles decodes,
// which still happens before Register.
//
// With `blocks`, the index's records are appended to it, in stream order.
struct StreamBlock {
  uint64_t stream_offset;      // where the block header starts in the stream
  uint64_t total_size;         // header, compressed data, padding and check
  uint64_t unpadded_size;      // as the index records it
  uint64_t content_offset;     // where its decompressed bytes start in the content
  uint64_t content_size;       // how many bytes it decodes to
};
Status check_payload_stream(const Payload& payload, std::vector<StreamBlock>* blocks = nullptr);

}  // namespace vl
