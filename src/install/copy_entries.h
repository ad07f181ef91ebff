#pragma once
// The entry loop of step CopyFiles: decodes the payload's entries one at a time and hands
// each one's data, chunk by chunk, to a writer that places it. Portable; the writer that puts
// files on disk is Win32 (file_placement_win.h).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_job.h"
#include "sys/result.h"

namespace vl {

inline constexpr size_t DATA_CHUNK = 262144;  // the entry data buffer: 256 KiB

// Texts of the entry loop.
inline constexpr std::string_view TEXT_PAYLOAD_DAMAGED =
    "payload is damaged ({}) — download the installer again";
inline constexpr std::string_view TEXT_BAD_FILE_NAME = "payload: bad file name";
inline constexpr std::string_view TEXT_ENTRY_TRUNCATED = "payload: {} truncated";

// Places one entry at a time: begin, write each chunk, then commit (the file takes its final
// name) or discard (the entry is known to be bad; nothing replaces the target).
class EntryWriter {
 public:
  virtual ~EntryWriter() = default;
  virtual Status begin(const PayloadEntry& entry) = 0;
  virtual Status write(std::span<const uint8_t> chunk) = 0;
  virtual Status commit() = 0;
  virtual void discard() = 0;
};

// Decodes every entry of `payload` into `writer`, in payload order; the writer runs on a
// thread of its own (entry_queue.h), which also reports after every chunk it wrote: running
// bytes / total_size (1 when total_size is 0) with the entry's name. A placed entry's name is
// appended to `installed_files`. A failed write, commit or begin discards the entry's file
// and ends the run with the writer's text.
//
// After the last entry's data the stream is read to its end (extra decompressed bytes are
// discarded, not interpreted) so that the integrity check is verified before that entry's
// file replaces its target. A short entry or a damaged stream discards the entry's file.
Status copy_payload_entries(const Payload& payload, EntryWriter& writer, StepProgress& progress,
                            std::vector<std::string>& installed_files);

}  // namespace vl
