#include <gtest/gtest.h>
#include <lzma.h>

#include <array>
#include <cstring>

#include "native/payload_craft.h"
#include "native/payload_test_support.h"
#include "native/payload_texts.h"
#include "payload/copy_entries.h"
#include "payload/payload_reader.h"
#include "sys/text.h"

namespace vl {
namespace {

using craft::Bytes;
using testing_support::MemoryWriter;
using testing_support::RecordingSink;

std::string damaged(std::string_view reason) { return format_text(TEXT_PAYLOAD_DAMAGED, {reason}); }

struct Outcome {
  Status status;
  MemoryWriter writer;
  std::vector<std::string> installed;
};

Outcome copy_stream(const Bytes& stream, uint32_t entry_count, uint64_t total_size = 0) {
  Outcome out;
  Payload payload{stream, total_size, entry_count};
  RecordingSink sink;
  std::vector<InstallStep> steps{InstallStep::Prepare, InstallStep::CopyFiles, InstallStep::Register};
  StepProgress progress(sink, steps, InstallStep::CopyFiles);
  out.status = copy_payload_entries(payload, out.writer, progress, out.installed);
  return out;
}

// The offset of the block's CRC32 in a single-block stream: just before the index.
size_t check_offset(const Bytes& stream) { return craft::index_offset(stream) - 4; }

// A stream header with its flags replaced and its CRC32 recomputed.
Bytes with_stream_flags(Bytes stream, uint8_t flags) {
  stream[7] = flags;
  uint32_t crc = lzma_crc32(stream.data() + 6, 2, 0);
  for (int i = 0; i < 4; ++i) stream[8 + i] = static_cast<uint8_t>(crc >> (8 * i));
  return stream;
}

const Bytes ONE_ENTRY = craft::entry("eToken.dll", "token module");

struct DamageCase {
  const char* scenario;
  Bytes stream;
  uint32_t entry_count;
  std::string expected;
  std::vector<std::string> expected_events;
};

class DamagedPayload : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedPayload, FailsWithItsTextAndPlacesNothingBad) {
  const DamageCase& c = GetParam();
  Outcome out = copy_stream(c.stream, c.entry_count);
  ASSERT_FALSE(out.status.ok());
  EXPECT_EQ(out.status.error(), c.expected);
  EXPECT_EQ(out.writer.events, c.expected_events);
  std::vector<std::string> committed;
  for (const std::string& event : out.writer.events) {
    if (event.starts_with("commit ")) committed.push_back(event.substr(7));
  }
  EXPECT_EQ(out.installed, committed);
}

Bytes cut(Bytes bytes, size_t keep) {
  bytes.resize(keep);
  return bytes;
}

Bytes flipped(Bytes bytes, size_t at) {
  bytes[at] ^= 0xFF;
  return bytes;
}

std::vector<DamageCase> damage_cases() {
  Bytes name_length_cut = {0x0A};
  Bytes name_cut = cut(ONE_ENTRY, 2 + 4);
  Bytes size_cut = cut(ONE_ENTRY, 2 + 10 + 3);
  Bytes good = craft::xz(ONE_ENTRY);
  Bytes wrong_check = flipped(good, check_offset(good));
  Bytes crc64_wrong = craft::xz(ONE_ENTRY, LZMA_CHECK_CRC64);
  crc64_wrong = flipped(crc64_wrong, check_offset(crc64_wrong) - 4);  // CRC64 is 8 bytes
  std::string fill = std::string(TEXT_FILL_WHOLE_BUFFER);
  return {
      {"NameLengthCutShort", craft::xz(name_length_cut), 1, damaged(fill), {}},
      {"NameCutShort", craft::xz(name_cut), 1, damaged(fill), {}},
      {"SizeCutShort", craft::xz(size_cut), 1, damaged(fill), {}},
      {"SecondEntryMissing", good, 2, damaged(fill),
       {"begin eToken.dll", "close eToken.dll", "drop eToken.dll"}},
      {"StreamOfHeaderOnly", cut(good, 12), 1, damaged("premature eof"), {}},
      {"EmptyStream", {}, 1, damaged("premature eof"), {}},
      {"NotXz", Bytes{'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1,
       damaged("stream/file format not recognized"), {}},
      {"StreamHeaderCrcWrong", flipped(good, 9), 1, damaged("lzma data error"), {}},
      {"ReservedStreamFlags", with_stream_flags(good, 0x11), 1, damaged("invalid options"), {}},
      // A small stream is decoded in one go: the check, index and footer are verified by the
      // same read that yields the entry's data, so the decoder's own text comes out.
      {"WrongCheck", wrong_check, 1, "lzma data error", {"begin eToken.dll", "discard eToken.dll"}},
      {"WrongCrc64Check", crc64_wrong, 1, "lzma data error",
       {"begin eToken.dll", "discard eToken.dll"}},
      {"IndexDamagedAfterLastEntry", flipped(good, good.size() - 14), 1, "lzma data error",
       {"begin eToken.dll", "discard eToken.dll"}},
      {"NameNotUtf8", craft::xz(craft::entry("\xFF\xFE.dll", "x")), 1, "payload: bad file name", {}},
      {"NameWithParentFolder", craft::xz(craft::entry("..\\evil.dll", "x")), 1,
       "payload: bad file name", {}},
      {"AbsoluteName", craft::xz(craft::entry("C:\\Windows\\evil.dll", "x")), 1,
       "payload: bad file name", {}},
      {"EntryEndsCleanlyShort", craft::xz(craft::entry("eToken.dll", "toke", 12)), 1,
       "payload: eToken.dll truncated", {"begin eToken.dll", "discard eToken.dll"}},
  };
}

INSTANTIATE_TEST_SUITE_P(Reader, DamagedPayload, ::testing::ValuesIn(damage_cases()),
                         [](const auto& info) { return std::string(info.param.scenario); });

TEST(Reader, StreamCutInsideEntryDataIsPrematureEof) {
  std::string data = craft::noise(600000);
  Bytes stream = craft::xz(craft::entry("verilune.exe", data));
  Outcome out = copy_stream(cut(stream, stream.size() / 2), 1, data.size());
  ASSERT_FALSE(out.status.ok());
  EXPECT_EQ(out.status.error(), "premature eof");
  EXPECT_EQ(out.writer.events,
            (std::vector<std::string>{"begin verilune.exe", "discard verilune.exe"}));
}

TEST(Reader, WrongCheckFoundAtTheStreamsEndCommitsNoEntry) {
  // Decompressed bytes after the last entry put the check far behind its data: only reading
  // the stream to its end finds the damage, after both entries were written and closed.
  std::string data = craft::noise(600000, 4);
  Bytes content = craft::concat({craft::entry("eToken.dll", "first"), craft::entry("verilune.exe", data),
                                 craft::noise_bytes(100000, 8)});
  Bytes stream = craft::xz(content);
  Outcome out = copy_stream(flipped(stream, check_offset(stream)), 2, 5 + data.size());
  ASSERT_FALSE(out.status.ok());
  EXPECT_EQ(out.status.error(), damaged("lzma data error"));
  EXPECT_EQ(out.writer.events,
            (std::vector<std::string>{"begin eToken.dll", "close eToken.dll", "begin verilune.exe",
                                      "close verilune.exe", "drop eToken.dll",
                                      "drop verilune.exe"}));
  EXPECT_TRUE(out.installed.empty());
}

TEST(Reader, CorruptedCompressedDataNeverCommitsTheEntry) {
  std::string data = craft::noise(300000, 7) + std::string(300000, 'a');
  Bytes stream = craft::xz(craft::entry("verilune.exe", data));
  // Damage at several places inside the block's compressed data.
  for (size_t at = 40; at < stream.size() - 100; at += stream.size() / 7) {
    Outcome out = copy_stream(flipped(stream, at), 1, data.size());
    ASSERT_FALSE(out.status.ok()) << "damage at " << at;
    EXPECT_TRUE(testing_support::is_defined_payload_text(out.status.error())) << out.status.error();
    EXPECT_TRUE(out.writer.files.empty()) << "damage at " << at;
  }
}

TEST(Reader, PlacesEntriesInOrderWithTheirBytes) {
  std::string big = craft::noise(700000, 3);
  Bytes content = craft::concat({craft::entry("eps2003csp11.dll", "abc"), craft::entry("pkcs11-drivers\\x.dll", big),
                                 craft::entry("empty.txt", ""), craft::entry("verilune.exe", "MZ")});
  Outcome out = copy_stream(craft::xz(content), 4, 3 + big.size() + 2);
  ASSERT_TRUE(out.status.ok()) << out.status.error();
  EXPECT_EQ(out.installed, (std::vector<std::string>{"eps2003csp11.dll", "pkcs11-drivers\\x.dll",
                                                     "empty.txt", "verilune.exe"}));
  EXPECT_EQ(out.writer.files["pkcs11-drivers\\x.dll"], big);
  EXPECT_EQ(out.writer.files["eps2003csp11.dll"], "abc");
  EXPECT_EQ(out.writer.files["verilune.exe"], "MZ");
  ASSERT_TRUE(out.writer.files.contains("empty.txt"));  // a zero-size entry makes an empty file
  EXPECT_EQ(out.writer.files["empty.txt"], "");
}

struct TolerableCase {
  const char* scenario;
  Bytes stream;
  uint32_t entry_count;
  std::vector<std::string> installed;
};

class TolerablePayload : public ::testing::TestWithParam<TolerableCase> {};

TEST_P(TolerablePayload, Installs) {
  Outcome out = copy_stream(GetParam().stream, GetParam().entry_count);
  ASSERT_TRUE(out.status.ok()) << out.status.error();
  EXPECT_EQ(out.installed, GetParam().installed);
}

std::vector<TolerableCase> tolerable_cases() {
  Bytes one = craft::xz(ONE_ENTRY);
  Bytes garbage_after = craft::concat({one, Bytes{'j', 'u', 'n', 'k', 0, 0, 0, 0}});
  Bytes second_stream_after = craft::concat({one, craft::xz(craft::entry("evil.dll", "x"))});
  return {
      {"ZeroEntries", craft::xz({}), 0, {}},
      {"ZeroEntriesIgnoreTrailingData", craft::xz(ONE_ENTRY), 0, {}},
      {"ZeroSizeEntry", craft::xz(craft::entry("eToken.dll", "")), 1, {"eToken.dll"}},
      {"TrailingDecompressedData", craft::xz(craft::concat({ONE_ENTRY, craft::noise_bytes(5000)})), 1,
       {"eToken.dll"}},
      {"GarbageAfterStream", garbage_after, 1, {"eToken.dll"}},
      {"SecondStreamAfterIsNotRead", second_stream_after, 1, {"eToken.dll"}},
      {"Crc64Check", craft::xz(ONE_ENTRY, LZMA_CHECK_CRC64), 1, {"eToken.dll"}},
      {"NoCheck", craft::xz(ONE_ENTRY, LZMA_CHECK_NONE), 1, {"eToken.dll"}},
      // The same file written again (names compare as paths do): placed once, at its last place.
      {"NameComesAgain",
       craft::xz(craft::concat(
           {ONE_ENTRY, craft::entry("x.dll", "x"), craft::entry("ETOKEN.DLL", "again")})),
       3, {"x.dll", "ETOKEN.DLL"}},
  };
}

INSTANTIATE_TEST_SUITE_P(Reader, TolerablePayload, ::testing::ValuesIn(tolerable_cases()),
                         [](const auto& info) { return std::string(info.param.scenario); });

TEST(Reader, ReadSomeReturnsZeroAfterTheStreamsEnd) {
  Bytes stream = craft::xz(Bytes{1, 2, 3});
  auto reader = PayloadReader::open(Payload{stream, 3, 1});
  ASSERT_TRUE(reader.ok());
  std::array<uint8_t, 8> buffer{};
  size_t got = 0;
  while (true) {
    auto n = reader->read_some(buffer);
    ASSERT_TRUE(n.ok()) << n.error();
    if (*n == 0) break;
    got += *n;
  }
  EXPECT_EQ(got, 3u);
  EXPECT_TRUE(reader->at_end());
  auto again = reader->read_some(buffer);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(*again, 0u);
  Status exact = reader->read_exact(std::span(buffer.data(), 1));
  ASSERT_FALSE(exact.ok());
  EXPECT_EQ(exact.error(), "failed to fill whole buffer");
}

// Three entries over five blocks of 64 KiB; "b.dll" alone covers the second block.
Bytes three_entries() {
  return craft::concat({craft::entry("a.dll", craft::noise(60000, 11)),
                        craft::entry("b.dll", craft::noise(100000, 12)),
                        craft::entry("c.dll", craft::noise(60000, 13))});
}

Bytes with_second_block_damaged(Bytes stream) {
  std::vector<craft::BlockPlace> places = craft::block_places(stream);
  EXPECT_GE(places.size(), 3u);
  if (places.size() < 3) return stream;
  return flipped(stream, (places[1].offset + places[2].offset) / 2);
}

class BlockThreads : public ::testing::TestWithParam<uint32_t> {};

// Reads the whole stream with `threads` decoding threads: the bytes before the first failure
// and that failure's text (empty when the stream ended properly).
std::pair<Bytes, std::string> read_with_threads(const Bytes& stream, uint32_t threads) {
  Result<PayloadReader> reader = PayloadReader::open(Payload{stream, 0, 0}, threads);
  if (!reader) return {{}, reader.error()};
  Bytes out;
  std::array<uint8_t, 5000> buffer;
  while (true) {
    Result<size_t> n = reader->read_some(buffer);
    if (!n) return {out, n.error()};
    if (*n == 0) return {out, ""};
    out.insert(out.end(), buffer.begin(), buffer.begin() + *n);
  }
}

TEST_P(BlockThreads, DecodesEveryBlockInOrder) {
  Bytes content = three_entries();
  auto [out, error] = read_with_threads(craft::xz_blocks(content, 65536), GetParam());
  EXPECT_EQ(error, "");
  EXPECT_TRUE(out == content);
}

TEST_P(BlockThreads, DamagedMiddleBlockIsADataErrorAfterTheBlocksBefore) {
  Bytes content = three_entries();
  auto [out, error] = read_with_threads(with_second_block_damaged(craft::xz_blocks(content, 65536)),
                                        GetParam());
  EXPECT_EQ(error, "lzma data error");
  // The first block comes out whole; of the damaged one at most what precedes its check.
  ASSERT_GE(out.size(), 65536u);
  EXPECT_LT(out.size(), 2 * 65536u);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 65536, content.begin()));
}

INSTANTIATE_TEST_SUITE_P(Reader, BlockThreads, ::testing::Values(1u, 2u, 4u));

TEST(Reader, DamagedMiddleBlockCommitsNoEntry) {
  Outcome out = copy_stream(with_second_block_damaged(craft::xz_blocks(three_entries(), 65536)), 3);
  ASSERT_FALSE(out.status.ok());
  EXPECT_EQ(out.status.error(), "lzma data error");
  EXPECT_EQ(out.writer.events, (std::vector<std::string>{"begin a.dll", "close a.dll", "begin b.dll",
                                                         "discard b.dll", "drop a.dll"}));
  EXPECT_TRUE(out.installed.empty());
}

// A writer that fails at one call: the queue hands its text back, the entry's file is
// discarded, nothing after it is begun and no entry is committed; a failed commit leaves the
// entries before it committed and drops the rest.
struct WriterFailureCase {
  const char* scenario;
  std::string fail_at;  // "begin b.dll", "write 2" (the second chunk of all), "close b.dll"…
  std::vector<std::string> expected_events;
  std::vector<std::string> expected_installed;
};

class FailingWriter final : public EntryWriter {
 public:
  explicit FailingWriter(std::string fail_at) : fail_at_(std::move(fail_at)) {}
  Status begin(const PayloadEntry& entry) override {
    current_ = entry.name;
    return record("begin " + current_);
  }
  Status write(std::span<const uint8_t>) override {
    return fail_at_ == "write " + std::to_string(++writes_) ? fail("disk full") : Status::success();
  }
  Status close() override { return record("close " + current_); }
  void discard() override { events.push_back("discard " + current_); }
  Status before_commits() override { return record("before commits"); }
  Status commit(std::string_view name) override { return record("commit " + std::string(name)); }
  void drop(std::string_view name) override { events.push_back("drop " + std::string(name)); }
  std::vector<std::string> events;

 private:
  Status record(std::string event) {
    if (event == fail_at_) return fail("disk full");
    events.push_back(std::move(event));
    return Status::success();
  }
  std::string fail_at_;
  std::string current_;
  int writes_ = 0;
};

class WriterFailure : public ::testing::TestWithParam<WriterFailureCase> {};

TEST_P(WriterFailure, StopsBothSidesWithTheWritersText) {
  const WriterFailureCase& c = GetParam();
  // 300000 bytes of a.dll are two chunks; the writer falls behind the decoder on purpose.
  Bytes stream = craft::xz_blocks(craft::concat({craft::entry("a.dll", craft::noise(300000, 3)),
                                                 craft::entry("b.dll", "b"),
                                                 craft::entry("c.dll", "c")}),
                                  65536);
  FailingWriter writer(c.fail_at);
  Payload payload{stream, 300002, 3};
  RecordingSink sink;
  std::vector<InstallStep> steps{InstallStep::CopyFiles};
  StepProgress progress(sink, steps, InstallStep::CopyFiles);
  std::vector<std::string> installed;
  Status status = copy_payload_entries(payload, writer, progress, installed);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error(), "disk full");
  EXPECT_EQ(writer.events, c.expected_events);
  EXPECT_EQ(installed, c.expected_installed);
}

INSTANTIATE_TEST_SUITE_P(
    Queue, WriterFailure,
    ::testing::Values(
        WriterFailureCase{"WriteMidway", "write 2", {"begin a.dll", "discard a.dll"}, {}},
        WriterFailureCase{"Begin", "begin b.dll", {"begin a.dll", "close a.dll", "drop a.dll"}, {}},
        WriterFailureCase{"Close", "close b.dll",
                          {"begin a.dll", "close a.dll", "begin b.dll", "discard b.dll", "drop a.dll"},
                          {}},
        WriterFailureCase{"Commit", "commit b.dll",
                          {"begin a.dll", "close a.dll", "begin b.dll", "close b.dll", "begin c.dll",
                           "close c.dll", "before commits", "commit a.dll", "drop b.dll", "drop c.dll"},
                          {"a.dll"}},
        // What must wait for every file (the earlier MSI installation's removal) comes after
        // the last close and never after a failure; when it fails, nothing is committed.
        WriterFailureCase{"BeforeCommits", "before commits",
                          {"begin a.dll", "close a.dll", "begin b.dll", "close b.dll", "begin c.dll",
                           "close c.dll", "drop a.dll", "drop b.dll", "drop c.dll"},
                          {}}),
    [](const auto& info) { return std::string(info.param.scenario); });

TEST(LzmaErrorText, MapsEveryErrorCode) {
  EXPECT_EQ(lzma_error_text(LZMA_DATA_ERROR), "lzma data error");
  EXPECT_EQ(lzma_error_text(LZMA_OPTIONS_ERROR), "invalid options");
  EXPECT_EQ(lzma_error_text(LZMA_FORMAT_ERROR), "stream/file format not recognized");
  EXPECT_EQ(lzma_error_text(LZMA_MEMLIMIT_ERROR), "memory limit reached");
  EXPECT_EQ(lzma_error_text(LZMA_MEM_ERROR), "can't allocate memory");
  EXPECT_EQ(lzma_error_text(LZMA_PROG_ERROR), "liblzma internal error");
  EXPECT_EQ(lzma_error_text(LZMA_NO_CHECK), "no integrity check was available");
  EXPECT_EQ(lzma_error_text(LZMA_UNSUPPORTED_CHECK), "liblzma not built with check support");
}

}  // namespace
}  // namespace vl
