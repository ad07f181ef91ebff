#include <gtest/gtest.h>
#include <lzma.h>

#include <functional>
#include <limits>

#include "native/payload_craft.h"
#include "payload/copy_entries.h"
#include "payload/payload_check.h"
#include "payload/payload_reader.h"
#include "sys/text.h"

namespace vl {
namespace {

using craft::Bytes;
using craft::index_offset;

// Two entries whose data spans several 16 KiB blocks when packed with xz_blocks.
const std::string FIRST = craft::noise(3000, 3);
const std::string SECOND = craft::noise(70000, 4);
const Bytes CONTENT =
    craft::concat({craft::entry("a.dll", FIRST), craft::entry("sub\\b.dll", SECOND)});
const uint64_t DATA = FIRST.size() + SECOND.size();

struct CheckCase {
  const char* scenario;
  bool multi_block;
  std::function<void(Bytes&)> damage;
  uint64_t total_size = DATA;
  uint32_t entry_count = 2;
  // Empty: the stream passes; otherwise the reason inside the damaged-payload text, or "*"
  // for any reason.
  std::string_view reason = {};
};

void flip(Bytes& s, size_t at) { s[at] ^= 0x10; }
void none(Bytes&) {}

TEST(PayloadCheck, FindsCutAndDamagedStreamsWithoutDecodingThem) {
  const uint64_t uncompressed = CONTENT.size();
  const CheckCase cases[] = {
      {"intact, one block", false, none},
      {"intact, several blocks", true, none},
      {"no entries, nothing declared", false, none, 0, 0},
      {"the header's figures are only a lower bound", true, none, DATA - 1, 1},
      {"header claims more data than the stream holds", true, none, uncompressed, 2,
       TEXT_CORRUPT_XZ},
      {"header claims more entries than fit", false, none, DATA, 1000, TEXT_CORRUPT_XZ},
      {"header's sizes overflow", false, none, std::numeric_limits<uint64_t>::max(), 2,
       TEXT_CORRUPT_XZ},
      {"entry count overflows with the size", true, none, DATA,
       std::numeric_limits<uint32_t>::max(), TEXT_CORRUPT_XZ},
      {"cut by one byte", true, [](Bytes& s) { s.pop_back(); }, DATA, 2, TEXT_PREMATURE_EOF},
      {"cut in the index", true, [](Bytes& s) { s.resize(index_offset(s) + 2); }, DATA, 2, "*"},
      {"cut in half", true, [](Bytes& s) { s.resize(s.size() / 2); }, DATA, 2, "*"},
      {"only the stream header left", false, [](Bytes& s) { s.resize(12); }, DATA, 2,
       TEXT_PREMATURE_EOF},
      {"empty", false, [](Bytes& s) { s.clear(); }, DATA, 2, TEXT_PREMATURE_EOF},
      {"byte appended", false, [](Bytes& s) { s.push_back(0); }, DATA, 2, TEXT_PREMATURE_EOF},
      {"a second stream after it", false,
       [](Bytes& s) {
         s = craft::concat({s, craft::xz({})});
       },
       DATA, 2, "*"},
      {"stream header flipped", false, [](Bytes& s) { flip(s, 7); }, DATA, 2, "*"},
      {"footer flipped", true, [](Bytes& s) { flip(s, s.size() - 5); }, DATA, 2, "*"},
      {"index flipped", true, [](Bytes& s) { flip(s, index_offset(s) + 3); }, DATA, 2, "*"},
      {"second block's header flipped", true,
       [](Bytes& s) { flip(s, craft::block_places(s).at(1).offset + 2); }, DATA, 2, "*"},
      // What only decoding finds: CopyFiles still fails on it, before Register.
      {"compressed data flipped", true,
       [](Bytes& s) { flip(s, craft::block_places(s).at(1).offset + 200); }},
  };
  const Bytes one_block = craft::xz(CONTENT);
  const Bytes blocks = craft::xz_blocks(CONTENT, 16384);
  ASSERT_GE(craft::block_places(blocks).size(), 3u);
  for (const CheckCase& c : cases) {
    Bytes stream = c.multi_block ? blocks : one_block;
    c.damage(stream);
    Status checked = check_payload_stream(Payload{stream, c.total_size, c.entry_count});
    if (c.reason.empty()) {
      EXPECT_TRUE(checked.ok()) << c.scenario << ": " << checked.error();
    } else if (c.reason == "*") {
      ASSERT_FALSE(checked.ok()) << c.scenario;
      const std::string prefix = "payload is damaged (";
      EXPECT_EQ(checked.error().rfind(prefix, 0), 0u) << c.scenario << ": " << checked.error();
      EXPECT_TRUE(checked.error().ends_with(") — download the installer again")) << c.scenario;
    } else {
      ASSERT_FALSE(checked.ok()) << c.scenario;
      EXPECT_EQ(checked.error(), format_text(TEXT_PAYLOAD_DAMAGED, {c.reason})) << c.scenario;
    }
  }
}

}  // namespace
}  // namespace vl

namespace vl {
namespace {

// The blob "abc" against records of its SHA-256 (ba7816bf…15ad).
TEST(PayloadDigest, OnlyTheRecordedBlobPasses) {
  const std::string digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  struct Case {
    std::string blob;
    std::string record;
    bool passes;
  } cases[] = {
      {"abc", digest, true},
      {"abc", digest + "\n", true},
      {"abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD", true},
      {"abd", digest, false},                // one byte of the blob damaged
      {"abc", digest.substr(0, 62), false},  // a cut record
      {"abc", "", false},                    // no record at all
      {"abc", digest.substr(0, 63) + "g", false},
  };
  for (const Case& c : cases) {
    auto bytes = [](const std::string& s) {
      return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    };
    Status checked = check_payload_digest(bytes(c.blob), bytes(c.record));
    EXPECT_EQ(checked.ok(), c.passes) << c.blob << " / " << c.record;
    if (!c.passes) {
      EXPECT_EQ(checked.error(), format_text(TEXT_PAYLOAD_DAMAGED, {TEXT_DIGEST_MISMATCH}));
    }
  }
}

}  // namespace
}  // namespace vl
