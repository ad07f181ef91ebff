#pragma once
// Decoding a payload's blocks on several threads at once, each thread writing its block's
// bytes straight into the entries' files at their offsets: the memory is each thread's
// dictionary and one DATA_CHUNK buffer, never a whole block.
//
// A thread can place a block's bytes only when it knows which entries they belong to, and the
// headers that say so lie in earlier blocks. So a payload of several blocks carries a block
// map (payload_format.h) after its last entry: every entry's record again, without its data.
// The map is a hint, not trusted: each
// thread compares the headers inside its block with the map byte for byte, and the blocks
// cover the content exactly (the index says so), so a run that completes has placed exactly
// what the entry loop would have.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "payload/entry_writer.h"
#include "payload/payload_check.h"
#include "payload/payload_format.h"
#include "sys/result.h"

namespace vl {

// The memory all decoding threads may hold together (dictionaries, decoder state, output
// buffers): the 48 MB goal for the whole process less what the rest of it needs. It decides
// how many threads decode, never whether a run goes on.
inline constexpr uint64_t DECODE_MEMORY_BUDGET = 32ull << 20;

// The memory one thread holds while it decodes `block` of `stream`: the decoder's state, its
// output buffer and as much of the dictionary as the block's output can reach. UINT64_MAX when
// the stream's or the block's header is refused.
uint64_t block_decode_memory(std::span<const uint8_t> stream, const StreamBlock& block);

// The threads a decode of `blocks` blocks needing `per_thread` bytes each may use, at most
// `wanted` and at least one: as many as the blocks and the memory budget allow.
uint32_t threads_for_blocks(uint32_t wanted, uint64_t blocks, uint64_t per_thread);

enum class BlockDecode {
  Placed,      // every entry written and closed, not committed: `closed` holds their names
  Sequential,  // not decoded this way: one block, no usable map, or the decoder or a map
               // check failed; every file begun was discarded, so the entry loop decodes the
               // stream in order and reports what it finds with its own texts
};

// Decodes a payload of several blocks with a block map into `writer` (through the writers
// writer.another() makes, one per entry) on up to `threads` threads, reporting after every
// chunk written: running bytes written / total_size (1 when 0) with the entry's name.
// Entries are closed but not committed. A complete entry is flushed and closed (its close) on
// a thread of its own while the decoding goes on; the call returns only once every close has
// returned, so that no entry is committed before its bytes are on the disk. A writer's failure
// fails the call with its text, after every entry begun was discarded or dropped. Damage in any
// block commits nothing.
Result<BlockDecode> decode_blocks(const Payload& payload, EntryWriter& writer,
                                  PayloadProgress& progress, uint32_t threads,
                                  std::vector<std::string>& closed);

}  // namespace vl
