#include "payload/block_decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>

#include "native/payload_craft.h"
#include "native/payload_test_support.h"
#include "payload/copy_entries.h"
#include "payload/payload_check.h"
#include "payload/payload_source.h"
#include "sys/sha256.h"
#include "sys/text.h"

namespace vl {
namespace {

using craft::Bytes;
using testing_support::MemoryWriter;
using testing_support::PositionalMemoryWriter;
using testing_support::RecordingSink;

const std::vector<std::pair<std::string, std::string>> FILES = {
    {"a.dll", craft::noise(60000, 21)}, {"b.dll", craft::noise(100000, 22)},
    {"c.dll", craft::noise(60000, 23)}};
constexpr uint64_t BLOCK = 65536;  // four content blocks, then the map's

Bytes content() {
  Bytes out;
  for (const auto& [name, data] : FILES) {
    Bytes entry = craft::entry(name, data);
    out.insert(out.end(), entry.begin(), entry.end());
  }
  return out;
}

Bytes with_map() {
  std::vector<PayloadEntry> entries;
  for (const auto& [name, data] : FILES) entries.push_back({name, data.size()});
  return craft::xz_blocks_then(content(), BLOCK, block_map_bytes(entries));
}

Bytes damaged_in_block(size_t block) {
  Bytes stream = with_map();
  std::vector<craft::BlockPlace> places = craft::block_places(stream);
  size_t end = block + 1 < places.size() ? places[block + 1].offset : stream.size() - 40;
  stream[(places[block].offset + end) / 2] ^= 0x55;
  return stream;
}

template <typename Writer>
Status copy(const Bytes& stream, Writer& writer, std::vector<std::string>& installed) {
  uint64_t total = 0;
  for (const auto& file : FILES) total += file.second.size();
  RecordingSink sink;
  std::vector<InstallStep> steps{InstallStep::CopyFiles};
  StepProgress progress(sink, steps, InstallStep::CopyFiles);
  return copy_payload_entries(Payload{stream, total, 3}, writer, progress, installed, 2);
}

std::map<std::string, std::string> all_files() { return {FILES.begin(), FILES.end()}; }

struct BlockCase {
  const char* scenario;
  Bytes stream;
  bool first_block_last;  // the first block's writes wait for the last block's
};

class BlockParallel : public ::testing::TestWithParam<BlockCase> {};

// Whatever the layout or damage, the outcome is the in-order loop's: the same text, the same
// files; a damaged stream commits nothing.
TEST_P(BlockParallel, EndsAsTheInOrderLoopDoes) {
  const BlockCase& c = GetParam();
  MemoryWriter in_order;
  std::vector<std::string> expected_installed;
  Status expected = copy(c.stream, in_order, expected_installed);

  PositionalMemoryWriter writer;
  std::mutex mutex;
  std::condition_variable last_block_written;
  bool released = false;
  if (c.first_block_last) {
    writer.gate = [&](const std::string& name, uint64_t) {
      std::unique_lock lock(mutex);
      if (name == "c.dll") {
        released = true;
        last_block_written.notify_all();
      } else if (name == "a.dll") {
        EXPECT_TRUE(last_block_written.wait_for(lock, std::chrono::seconds(10),
                                                [&] { return released; }));
      }
    };
  }
  std::vector<std::string> installed;
  Status status = copy(c.stream, writer, installed);

  EXPECT_EQ(status.ok(), expected.ok());
  if (!expected.ok()) {
    EXPECT_EQ(status.error(), expected.error());
  }
  EXPECT_EQ(installed, expected_installed);
  std::map<std::string, std::string> placed = writer.files;
  placed.insert(writer.in_order.files.begin(), writer.in_order.files.end());
  std::map<std::string, std::string> none;
  EXPECT_EQ(placed, expected.ok() ? all_files() : none);
  // The first block's bytes were held back until the last entry's had been written.
  if (c.first_block_last) EXPECT_TRUE(released);
}

std::vector<BlockCase> block_cases() {
  std::vector<BlockCase> cases = {
      {"OneBlockPayloadDecodesInOrder", craft::xz(content()), false},
      {"BlocksFinishingOutOfOrderPlaceTheRightBytes", with_map(), true},
      {"MapDisagreeingWithTheHeadersFallsBackToTheLoop",
       craft::xz_blocks_then(content(), BLOCK,
                             block_map_bytes(std::vector<PayloadEntry>{
                                 {"a.dll", 60001}, {"b.dll", 99999}, {"c.dll", 60000}})),
       false},
  };
  const char* damaged[] = {"DamageInBlock0CommitsNothing", "DamageInBlock1CommitsNothing",
                           "DamageInBlock2CommitsNothing", "DamageInBlock3CommitsNothing",
                           "DamageInTheMapBlockCommitsNothing"};
  for (size_t block = 0; block < std::size(damaged); ++block) {
    cases.push_back({damaged[block], damaged_in_block(block), false});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Decode, BlockParallel, ::testing::ValuesIn(block_cases()),
                         [](const auto& info) { return std::string(info.param.scenario); });

// Flushes run beside the decoding, and may end after it: still no entry is renamed in before
// its own close (the flush) has returned.
TEST(BlockParallel, NoEntryIsCommittedBeforeItsSlowFlushReturns) {
  PositionalMemoryWriter writer;
  writer.before_close = [](const std::string&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  };
  std::vector<std::string> installed;
  ASSERT_TRUE(copy(with_map(), writer, installed).ok());
  for (const auto& [name, data] : FILES) {
    auto at = [&](const std::string& event) {
      return std::find(writer.events.begin(), writer.events.end(), event) - writer.events.begin();
    };
    EXPECT_LT(at("close " + name), at("commit " + name)) << name;
    EXPECT_LT(at("commit " + name), static_cast<ptrdiff_t>(writer.events.size())) << name;
  }
}

// A placer's begin holds the entry's folders without delete sharing, so two at once in one
// folder would refuse each other: begins never overlap, whatever the threads.
TEST(BlockParallel, BeginsComeOneAtATime) {
  PositionalMemoryWriter writer;
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  writer.during_begin = [&](const std::string&) {
    if (inside.fetch_add(1) > 0) overlapped = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    inside.fetch_sub(1);
  };
  std::vector<std::string> installed;
  ASSERT_TRUE(copy(with_map(), writer, installed).ok());
  EXPECT_FALSE(overlapped.load());
}

// The stream of a one-block payload reaches the in-order loop untouched: its writer sees the
// in-order calls only.
TEST(BlockParallel, OneBlockPayloadUsesNoPositionalWrites) {
  PositionalMemoryWriter writer;
  std::vector<std::string> installed;
  ASSERT_TRUE(copy(craft::xz(content()), writer, installed).ok());
  EXPECT_TRUE(writer.events.empty());
  EXPECT_EQ(writer.in_order.files, all_files());
}

// A block whose check does not match decodes its bytes and fails in the same call: none of
// them may reach a file.
TEST(BlockParallel, ABlockWhoseCheckFailsPlacesNoneOfItsBytes) {
  Bytes stream = with_map();
  std::vector<craft::BlockPlace> places = craft::block_places(stream);
  ASSERT_GT(places.size(), 2u);
  stream[places[2].offset - 1] ^= 0x55;  // block 1's CRC32 ends right before block 2
  PositionalMemoryWriter writer;
  std::mutex mutex;
  std::vector<std::pair<std::string, uint64_t>> writes;
  writer.gate = [&](const std::string& name, uint64_t offset) {
    std::lock_guard lock(mutex);
    writes.emplace_back(name, offset);
  };
  std::vector<std::string> installed;
  EXPECT_FALSE(copy(stream, writer, installed).ok());
  // Block 1 is wholly inside b.dll, whose data starts after a.dll's record and b.dll's header.
  const uint64_t block1_at =
      BLOCK - craft::entry("a.dll", FILES[0].second).size() - craft::entry("b.dll", "").size();
  for (const auto& [name, offset] : writes) {
    EXPECT_FALSE(name == "b.dll" && offset >= block1_at && offset < block1_at + BLOCK) << offset;
  }
}

struct SourceCase {
  const char* scenario;
  bool one_block;
  bool recheck_chunks;
  bool changed_after_check;
  bool installs;
};

class SourcedPayload : public ::testing::TestWithParam<SourceCase> {};

// Read through a source, a payload installs as from memory; a chunk changed after the check is
// refused wherever it is read (the block path gives up, the in-order loop says why), so
// nothing is committed.
TEST_P(SourcedPayload, InstallsOnlyTheBytesItVerified) {
  const SourceCase& c = GetParam();
  const Bytes stream = c.one_block ? craft::xz(content()) : with_map();
  Bytes blob = payload_header_bytes(0, 3);
  blob.insert(blob.end(), stream.begin(), stream.end());
  PayloadSource source(
      [&blob](uint64_t offset, std::span<uint8_t> out) {
        std::memcpy(out.data(), blob.data() + offset, out.size());
        return Status::success();
      },
      blob.size(), c.recheck_chunks);
  std::string recorded;
  for (uint8_t byte : sha256(blob)) recorded += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
  ASSERT_TRUE(source
                  .verify([&](const Sha256Digest& digest) {
                    return check_digest_record(
                        digest, {reinterpret_cast<const uint8_t*>(recorded.data()), recorded.size()});
                  })
                  .ok());
  if (c.changed_after_check) blob[PAYLOAD_HEADER_SIZE + stream.size() / 2] ^= 0x55;

  uint64_t total = 0;
  for (const auto& file : FILES) total += file.second.size();
  Payload payload{stream, total, 3};
  payload.source = &source;
  // The in-memory stream is not what the source serves: only the headers may come from it.
  Bytes shadow = stream;
  shadow[stream.size() / 2] ^= 0x33;
  if (!c.one_block) payload.stream = shadow;
  PositionalMemoryWriter writer;
  RecordingSink sink;
  std::vector<InstallStep> steps{InstallStep::CopyFiles};
  StepProgress progress(sink, steps, InstallStep::CopyFiles);
  std::vector<std::string> installed;
  Status copied = copy_payload_entries(payload, writer, progress, installed, 2);
  EXPECT_EQ(copied.ok(), c.installs) << (copied.ok() ? "" : copied.error());
  if (c.installs) {
    std::map<std::string, std::string> placed = writer.files;
    placed.insert(writer.in_order.files.begin(), writer.in_order.files.end());
    EXPECT_EQ(placed, all_files());
  } else {
    EXPECT_TRUE(installed.empty());
    EXPECT_EQ(copied.ok() ? "" : copied.error(),
              format_text(TEXT_PAYLOAD_DAMAGED, {TEXT_DIGEST_MISMATCH}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SourcedPayload,
    ::testing::Values(SourceCase{"blocks, unchanged", false, true, false, true},
                      SourceCase{"blocks, changed after the check", false, true, true, false},
                      SourceCase{"one block, changed after the check", true, true, true, false},
                      SourceCase{"blocks, unchanged, no rechecks", false, false, false, true}),
    [](const auto& info) {
      std::string name = info.param.scenario;
      std::erase_if(name, [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); });
      return name;
    });

struct BudgetCase {
  uint32_t wanted;
  uint64_t blocks;
  uint64_t per_thread;
  uint32_t expected;
};

class ThreadBudget : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(ThreadBudget, FollowsBlocksAndMemory) {
  const BudgetCase& c = GetParam();
  EXPECT_EQ(threads_for_blocks(c.wanted, c.blocks, c.per_thread), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Decode, ThreadBudget,
    ::testing::Values(BudgetCase{4, 2, 1 << 20, 2},                         // fewer blocks
                      BudgetCase{4, 8, DECODE_MEMORY_BUDGET / 3, 3},         // memory limits
                      BudgetCase{2, 8, DECODE_MEMORY_BUDGET + 1, 1},         // never none
                      BudgetCase{2, 8, DECODE_MEMORY_BUDGET / 2, 2}));       // both fit

// A block shorter than the dictionary touches only its own length of it, so the budget counts
// that: a payload cut into small blocks decodes on as many threads as it has blocks.
TEST(ThreadBudget, CountsOnlyTheDictionaryABlockCanFill) {
  Bytes stream = with_map();
  std::vector<StreamBlock> blocks;
  ASSERT_TRUE(check_payload_stream(Payload{stream, 0, 3}, &blocks).ok());
  lzma_options_lzma preset;
  lzma_lzma_preset(&preset, 1);  // the crafted blocks' dictionary
  for (const StreamBlock& block : blocks) {
    uint64_t memory = block_decode_memory(stream, block);
    EXPECT_GE(memory, block.content_size);
    EXPECT_LT(memory, preset.dict_size);
  }
}

}  // namespace
}  // namespace vl
