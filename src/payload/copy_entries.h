#pragma once
// The entry loop of step CopyFiles: decodes the payload's entries one at a time and hands
// each one's data, chunk by chunk, to a writer that places it. Portable; the writer that puts
// files on disk is Win32 (file_placement_win.h).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_job.h"
#include "install/payload_reader.h"
#include "sys/result.h"

namespace vl {

inline constexpr size_t DATA_CHUNK = 262144;  // the entry data buffer: 256 KiB

// Texts of the entry loop.
inline constexpr std::string_view TEXT_PAYLOAD_DAMAGED =
    "payload is damaged ({}) — download the installer again";
inline constexpr std::string_view TEXT_BAD_FILE_NAME = "payload: bad file name";
inline constexpr std::string_view TEXT_ENTRY_TRUNCATED = "payload: {} truncated";

// Places entries in two stages, so that no file takes its final name before the data that
// holds it is verified. Each entry is begun, written chunk by chunk, then closed (complete but
// kept under a temporary name; nothing replaced yet) or discarded (known to be bad; its
// temporary file is removed). Once the whole stream is verified, each closed entry is
// committed (takes its final name) in payload order; every closed entry not committed, after a
// failure anywhere, is dropped (its temporary file removed). The entry calls come from the
// writer thread, commit and drop after it has stopped.
class EntryWriter {
 public:
  virtual ~EntryWriter() = default;
  virtual Status begin(const PayloadEntry& entry) = 0;
  virtual Status write(std::span<const uint8_t> chunk) = 0;
  virtual Status close() = 0;
  virtual void discard() = 0;
  virtual Status commit(std::string_view name) = 0;
  virtual void drop(std::string_view name) = 0;

  // For decoding several blocks at once (block_decode.h): a writer of the same kind for one
  // more entry open beside the others, used through begin, write_at, close and discard
  // (commit and drop stay with this writer); null when entries can only be written in order.
  virtual std::unique_ptr<EntryWriter> another() { return nullptr; }
  // Writes `chunk` at `offset` in the entry begun. Several threads may call it at once with
  // ranges that do not overlap; offsets need not come in order.
  virtual Status write_at(uint64_t offset, std::span<const uint8_t> chunk) {
    (void)offset;
    (void)chunk;
    return fail("entry writer: no positional writes");
  }
};

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
Status copy_payload_entries(const Payload& payload, EntryWriter& writer, StepProgress& progress,
                            std::vector<std::string>& installed_files,
                            uint32_t threads = PayloadReader::decoder_threads());

}  // namespace vl
