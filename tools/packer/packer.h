#pragma once
// Packs a folder into a payload blob: the 20-byte header ("VLPL", version 1, total_size,
// entry_count) and one XZ stream (CRC32 check) of entries, each a u16 name length, the UTF-8
// name with backslash separators, a u64 size and the data.
//
// The stream is cut into independent blocks whose headers state their sizes, so that the
// installer can decode several blocks at once; one block covering everything is one choice.
//
// Entry order: every file below the folder, sorted by name compared byte-wise after ASCII
// lower-casing, or grouped by kind first (EntryOrder::Kind); in either order "verilune.exe" at
// the top level comes last, so that the application's executable is replaced only after
// everything it loads.
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

// Name: by name alone. Kind: files of one kind (the extension of the file name, ASCII
// lower-cased) together, the kinds by extension, by name within a kind: a solid block then
// holds related files near each other, within reach of the dictionary.
enum class EntryOrder { Name, Kind };

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
  // The largest LZMA2 dictionary to use; 0: the preset's. The installer's decoder holds one
  // dictionary per decoding thread.
  uint32_t dict_limit = 0;
  // When not 0: the dictionary is also no larger than lets this many threads decode blocks of
  // the largest block's size within the installer's decoding budget
  // (dictionary_within_budget).
  uint32_t decode_threads = 0;
  // Used by the tool to collect the files; pack_payload takes them in the order given.
  EntryOrder order = EntryOrder::Name;
  // Blocks end only between entries (at the first entry end at or past block_size), rather
  // than every block_size bytes.
  bool cut_at_entries = false;
  // When not 0: this many blocks (at most), cut at the entry ends nearest to the points that
  // split the content evenly (balanced_entry_cuts); block_size is then not used.
  uint32_t blocks = 0;
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
  uint64_t largest_block = 0;  // decompressed bytes of the largest block
};

// The folder's files in entry order; fails on a name the installer would refuse, on a
// symbolic link or special file, or when there are more entries than the header can count.
Result<std::vector<PackFile>> collect_payload_files(const std::filesystem::path& folder,
                                                    EntryOrder order = EntryOrder::Name);

// Puts `files` in `order` (the application last in either).
void order_entries(std::vector<PackFile>& files, EntryOrder order);

// The bytes an entry takes in the decompressed stream: its header and its data.
uint64_t entry_bytes(const PackFile& file);

// Where blocks end, cut at entries: cut_after[i] when a block ends after entry i (never after
// the last). entry_cuts: at the first entry end at or past each `block_size` bytes of a block.
// balanced_entry_cuts: `blocks` blocks at most, each cut at the entry end nearest to one of
// the points that split the content into `blocks` equal parts, so that threads decoding them
// finish together (an entry larger than a part stays whole, and fewer blocks result).
std::vector<bool> entry_cuts(const std::vector<PackFile>& files, uint64_t block_size);
std::vector<bool> balanced_entry_cuts(const std::vector<PackFile>& files, uint32_t blocks);

// The LZMA2 dictionary for `content_size` decompressed bytes: the preset's size, reduced to
// the smallest size that still covers the whole content (a larger one only costs the
// installer memory), at least 1 MiB.
uint32_t dictionary_for(uint64_t content_size, uint32_t preset_dict_size);

// The largest LZMA2 dictionary, at most `preset_dict_size`, with which `threads` threads
// decoding blocks of `largest_block` decompressed bytes (x86 filter and LZMA2) stay within
// DECODE_MEMORY_BUDGET as the installer counts them (block_decode_memory): a dictionary a
// block cannot fill counts only the block's length. At least 1 MiB.
uint32_t dictionary_within_budget(uint64_t largest_block, uint32_t threads,
                                  uint32_t preset_dict_size);

// The default block size for `content_size` decompressed bytes and the preset's dictionary:
// at least three dictionaries (cutting costs little compression then), more when that
// gives more than eight blocks; a whole number of MiB.
uint64_t block_size_for(uint64_t content_size, uint32_t preset_dict_size);

// Writes the blob for `files` to `out` (through a temporary name, renamed at the end).
Result<PackStats> pack_payload(const std::vector<PackFile>& files, const std::filesystem::path& out,
                               const PackSettings& settings);

}  // namespace vl::packer
