#pragma once
// A cheap look at the payload's XZ stream before the run removes anything: a truncated or
// damaged download must stop the installation while the earlier product is still in place,
// not in CopyFiles after Prepare and RemoveLegacy have taken it away.
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
Status check_payload_stream(const Payload& payload);

}  // namespace vl
