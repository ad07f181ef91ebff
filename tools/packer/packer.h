#pragma once
// Packs a folder into a payload blob: the 20-byte header ("VLPL", version 1, total_size,
// entry_count) and one XZ stream (CRC32 check) of entries, each a u16 name length, the UTF-8
// name with backslash separators, a u64 size and the data.
//
// The stream is cut into independent blocks whose headers state their sizes, so that the
// installer can decode several blocks at once; one block covering everything is one choice.
//
// Entry order (fixed): every file below the folder, sorted by name compared byte-wise after
// ASCII lower-casing, except that "verilune.exe" at the top level comes last, so that the
// application's executable is replaced only after everything it loads.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sys/result.h"

namespace vl::packer {

struct PackFile {
  std::string name;  // entry name: relative path with backslashes
  std::filesystem::path path;
  uint64_t size = 0;
};

enum class Filter { None, X86 };

struct PackSettings {
  uint32_t preset = 9;
  bool extreme = true;          // "9e"
  Filter filter = Filter::X86;  // the x86 BCJ filter before LZMA2
  // LZMA's literal-context and position bits, in place of the preset's 3 and 2: on the
  // benchmark payload's x86 binaries 4 and 1 give a blob 0.03 % smaller.
  uint32_t literal_context_bits = 4;
  uint32_t position_bits = 1;
  // Decompressed bytes per block; 0 chooses from the content's size (block_size_for).
  uint64_t block_size = 0;
  // Blocks end only between entries (at the first entry end at or past block_size), rather
  // than every block_size bytes.
  bool cut_at_entries = false;
  // Called as input is consumed: bytes done, bytes in all.
  std::function<void(uint64_t, uint64_t)> on_progress;
};

struct PackStats {
  uint64_t total_size = 0;
  uint32_t entry_count = 0;
  uint64_t blob_size = 0;
  uint32_t dict_size = 0;
  uint64_t block_size = 0;
  // Blocks end only between entries (at the first entry end at or past block_size), rather
  // than every block_size bytes.
  bool cut_at_entries = false;
  uint64_t block_count = 0;
};

// The folder's files in entry order; fails on a name the installer would refuse, on a
// symbolic link or special file, or when there are more entries than the header can count.
Result<std::vector<PackFile>> collect_payload_files(const std::filesystem::path& folder);

// The LZMA2 dictionary for `content_size` decompressed bytes: the preset's size, reduced to
// the smallest size that still covers the whole content (a larger one only costs the
// installer memory), at least 1 MiB.
uint32_t dictionary_for(uint64_t content_size, uint32_t preset_dict_size);

// The default block size for `content_size` decompressed bytes and the preset's dictionary:
// at least three dictionaries (cutting costs little compression then), more when that
// gives more than eight blocks; a whole number of MiB.
uint64_t block_size_for(uint64_t content_size, uint32_t preset_dict_size);

// Writes the blob for `files` to `out` (through a temporary name, renamed at the end).
Result<PackStats> pack_payload(const std::vector<PackFile>& files, const std::filesystem::path& out,
                               const PackSettings& settings);

}  // namespace vl::packer
