#pragma once
// The entry loop of step CopyFiles: decodes the payload's entries one at a time and hands
// each one's data, chunk by chunk, to a writer that places it. Portable; the writer that puts
// files on disk is Win32 (install/file_placement_win.h).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "payload/entry_writer.h"
#include "payload/payload_format.h"
#include "payload/payload_reader.h"
#include "sys/result.h"

namespace vl {

// Decodes every entry of `payload` into `writer`, in payload order; the writer runs on a
// thread of its own (entry_queue.h), which also reports after every chunk it wrote: running
// bytes / total_size (1 when total_size is 0) with the entry's name. The commits come after
// the last report and report nothing: renames are fast next to the data.
//
// The stream is read to its end (extra decompressed bytes are discarded, not interpreted) so
// that the decoder has verified every block's integrity check and the index before the first
// commit: liblzma checks a block only at its end, and one block may hold every entry. Only
// then are the closed entries committed, each name appended to `installed_files` as its entry
// is committed. A damaged stream, a short entry or a failed begin, write or close commits
// nothing: every entry of the run is discarded or dropped, and the run ends with the first
// failure's text (the writer's before the decoder's, as it concerns earlier bytes). A failed
// commit ends the run with its text; the entries committed before it stay placed and those
// after it are dropped. An entry name that comes again replaces the earlier entry.
//
// A payload of several blocks with a block map (block_decode.h) is decoded on up to `threads`
// threads straight into the files, when the writer can do that, with the same guarantees; any
// other payload, or one whose blocks or map fail there, goes through the loop above.
Status copy_payload_entries(const Payload& payload, EntryWriter& writer, PayloadProgress& progress,
                            std::vector<std::string>& installed_files,
                            uint32_t threads = PayloadReader::decoder_threads());

}  // namespace vl
