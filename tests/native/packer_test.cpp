#include <gtest/gtest.h>
#include <lzma.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "install/install_job.h"
#include "native/payload_craft.h"
#include "native/payload_test_support.h"
#include "packer.h"
#include "payload/block_decode.h"
#include "payload/copy_entries.h"
#include "payload/payload_reader.h"

namespace vl {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    path_ = fs::temp_directory_path() /
            ("vl-packer-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }
  void write(const fs::path& relative, std::string_view data) const {
    fs::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary) << data;
  }

 private:
  fs::path path_;
};

std::vector<uint8_t> read_all(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class PackerRoundTrip : public ::testing::TestWithParam<packer::Filter> {};

TEST_P(PackerRoundTrip, ReaderGetsEveryFileBackWithVeriluneLast) {
  TempFolder in;
  TempFolder out;
  std::string big = craft::noise(400000, 9);
  in.write("verilune.exe", "MZ main");
  in.write("uninstall.exe", "MZ uninstall");
  in.write("eToken.dll", big);
  in.write("ShuttleCsp11_3003.dll", "shuttle");
  in.write("pkcs11-drivers/x.dll", "x");
  in.write("zero.dat", "");

  auto files = packer::collect_payload_files(in.path());
  ASSERT_TRUE(files.ok()) << files.error();
  packer::PackSettings settings;
  settings.preset = 6;
  settings.extreme = false;
  settings.filter = GetParam();
  fs::path blob_path = out.path() / "payload.bin";
  auto stats = packer::pack_payload(*files, blob_path, settings);
  ASSERT_TRUE(stats.ok()) << stats.error();
  EXPECT_FALSE(fs::exists(out.path() / "payload.bin.part"));

  std::vector<uint8_t> blob = read_all(blob_path);
  EXPECT_EQ(blob.size(), stats->blob_size);
  Result<Payload> payload = check_payload_header(blob);
  ASSERT_TRUE(payload.ok());
  uint64_t total = 7 + 12 + big.size() + 7 + 1 + 0;
  EXPECT_EQ(payload->total_size, total);
  EXPECT_EQ(payload->entry_count, 6u);

  testing_support::RecordingSink sink;
  testing_support::MemoryWriter writer;
  std::vector<InstallStep> steps{InstallStep::CopyFiles};
  StepProgress progress(sink, steps, InstallStep::CopyFiles);
  std::vector<std::string> installed;
  Status copied = copy_payload_entries(*payload, writer, progress, installed);
  ASSERT_TRUE(copied.ok()) << copied.error();
  EXPECT_EQ(installed, (std::vector<std::string>{"eToken.dll", "pkcs11-drivers\\x.dll",
                                                 "ShuttleCsp11_3003.dll", "uninstall.exe",
                                                 "zero.dat", "verilune.exe"}));
  EXPECT_EQ(writer.files["eToken.dll"], big);
  EXPECT_EQ(writer.files["verilune.exe"], "MZ main");
  EXPECT_EQ(writer.files["zero.dat"], "");
  EXPECT_FLOAT_EQ(sink.fractions.back(), 1.0f);
}

INSTANTIATE_TEST_SUITE_P(Packer, PackerRoundTrip,
                         ::testing::Values(packer::Filter::None, packer::Filter::X86));

// The decompressed content of a blob's stream, read with `threads` decoding threads.
std::string decode_with_threads(std::span<const uint8_t> stream, uint32_t threads) {
  Result<PayloadReader> reader = PayloadReader::open(Payload{stream, 0, 0}, threads);
  if (!reader) return "open: " + reader.error();
  std::string out;
  std::array<uint8_t, 65536> buffer;
  while (true) {
    Result<size_t> n = reader->read_some(buffer);
    if (!n) return out + "error: " + n.error();
    if (*n == 0) return out;
    out.append(reinterpret_cast<const char*>(buffer.data()), *n);
  }
}

std::string decode_with_xz(const fs::path& folder, std::span<const uint8_t> stream) {
  fs::path xz_file = folder / "stream.xz";
  std::ofstream(xz_file, std::ios::binary)
      .write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
  std::string command = "xz -dc '" + xz_file.string() + "' > '" + (folder / "out").string() + "'";
  if (std::system(command.c_str()) != 0) return "xz -d failed";
  std::vector<uint8_t> out = read_all(folder / "out");
  return std::string(out.begin(), out.end());
}

TEST(Packer, BlocksDecodeTheSameWithOneOrSeveralThreadsAndWithXz) {
  TempFolder in;
  TempFolder out;
  std::string big = craft::noise(500000, 21) + std::string(300000, 'z');
  in.write("eToken.dll", big);
  in.write("verilune.exe", "MZ main");
  auto files = packer::collect_payload_files(in.path());
  ASSERT_TRUE(files.ok()) << files.error();
  packer::PackSettings settings;
  settings.preset = 1;
  settings.extreme = false;
  settings.block_size = 200000;
  auto stats = packer::pack_payload(*files, out.path() / "p.bin", settings);
  ASSERT_TRUE(stats.ok()) << stats.error();
  std::vector<uint8_t> blob = read_all(out.path() / "p.bin");
  std::span<const uint8_t> stream = std::span(blob).subspan(PAYLOAD_HEADER_SIZE);
  // Five blocks of content, then the block map in a sixth.
  EXPECT_EQ(craft::block_places(craft::Bytes(stream.begin(), stream.end())).size(), 6u);

  std::vector<PayloadEntry> entries{{"eToken.dll", big.size()}, {"verilune.exe", 7}};
  craft::Bytes expected_bytes = craft::concat({craft::entry("eToken.dll", big),
                                               craft::entry("verilune.exe", "MZ main"),
                                               block_map_bytes(entries)});
  std::string expected(expected_bytes.begin(), expected_bytes.end());
  for (uint32_t threads : {1u, 2u, 8u}) {
    EXPECT_TRUE(decode_with_threads(stream, threads) == expected) << threads << " threads";
  }
  EXPECT_TRUE(decode_with_xz(out.path(), stream) == expected);
}

TEST(Packer, DefaultBlocksSpanThreeDictionariesAndAreAtMostEight) {
  const uint64_t MiB = 1u << 20;
  for (uint64_t content : std::initializer_list<uint64_t>{0, 1, 24 * MiB + 12345, 5000 * MiB}) {
    for (uint32_t dict : {8 * MiB, 64 * MiB}) {
      uint64_t block = packer::block_size_for(content, static_cast<uint32_t>(dict));
      EXPECT_GE(block, 3 * dict) << content;
      EXPECT_LE((content + block - 1) / block, 8u) << content;
      EXPECT_EQ(block % MiB, 0u) << content;
    }
  }
}

TEST(Packer, EmptyFolderPacksZeroEntries) {
  TempFolder in;
  TempFolder out;
  auto files = packer::collect_payload_files(in.path());
  ASSERT_TRUE(files.ok());
  auto stats = packer::pack_payload(*files, out.path() / "p.bin", {});
  ASSERT_TRUE(stats.ok()) << stats.error();
  std::vector<uint8_t> blob = read_all(out.path() / "p.bin");
  Result<Payload> payload = check_payload_header(blob);
  ASSERT_TRUE(payload.ok());
  EXPECT_EQ(payload->entry_count, 0u);
  testing_support::RecordingSink sink;
  testing_support::MemoryWriter writer;
  std::vector<InstallStep> steps{InstallStep::CopyFiles};
  StepProgress progress(sink, steps, InstallStep::CopyFiles);
  std::vector<std::string> installed;
  EXPECT_TRUE(copy_payload_entries(*payload, writer, progress, installed).ok());
}

TEST(Packer, RefusesNamesTheInstallerWouldRefuse) {
  const char* bad[] = {"trailing.", "trailing ", "CON", "nul.dll", "a:b.dll", "back\\slash.dll",
                       "sub/aux.txt", "q?.dll"};
  for (const char* name : bad) {
    TempFolder in;
    in.write("verilune.exe", "MZ");
    in.write(name, "x");
    auto files = packer::collect_payload_files(in.path());
    EXPECT_FALSE(files.ok()) << name;
  }
}

TEST(Packer, RefusesNamesThatDifferOnlyInCase) {
  TempFolder in;
  in.write("eToken.dll", "1");
  in.write("etoken.DLL", "2");
  EXPECT_FALSE(packer::collect_payload_files(in.path()).ok());
}

TEST(Packer, RefusesSymbolicLinks) {
  TempFolder in;
  in.write("real.dll", "1");
  fs::create_symlink(in.path() / "real.dll", in.path() / "link.dll");
  EXPECT_FALSE(packer::collect_payload_files(in.path()).ok());
}

TEST(Packer, DictionaryCoversTheContentWithAnLzma2Size) {
  const uint32_t MiB = 1u << 20;
  struct Case {
    uint64_t content;
    uint32_t preset;
    uint32_t expected;
  } cases[] = {
      {0, 64 * MiB, 1 * MiB},
      {1 * MiB, 64 * MiB, 1 * MiB},
      {1 * MiB + 1, 64 * MiB, 1 * MiB + MiB / 2},
      {3 * MiB / 2 + 1, 64 * MiB, 2 * MiB},
      {24494888 + 300, 64 * MiB, 24 * MiB},
      {25 * MiB, 64 * MiB, 32 * MiB},
      {100 * MiB, 64 * MiB, 64 * MiB},
      {10 * MiB, 8 * MiB, 8 * MiB},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(packer::dictionary_for(c.content, c.preset), c.expected) << c.content;
  }
}

std::vector<packer::PackFile> files_of(std::vector<std::pair<const char*, uint64_t>> list) {
  std::vector<packer::PackFile> files;
  for (const auto& [name, size] : list) files.push_back({name, {}, size});
  return files;
}

std::vector<std::string> names_of(const std::vector<packer::PackFile>& files) {
  std::vector<std::string> names;
  for (const packer::PackFile& file : files) names.push_back(file.name);
  return names;
}

// Grouped by kind: the extensions in order, names within one, the application still last.
TEST(Packer, KindOrderGroupsByExtensionAndKeepsTheApplicationLast) {
  std::vector<packer::PackFile> files = files_of({{"verilune.exe", 1},
                                                  {"b\\x.DLL", 1},
                                                  {"a.txt", 1},
                                                  {"z.dll", 1},
                                                  {"README", 1},
                                                  {"m\\tool.exe", 1},
                                                  {"a.dll", 1}});
  packer::order_entries(files, packer::EntryOrder::Kind);
  EXPECT_EQ(names_of(files), (std::vector<std::string>{"README", "a.dll", "b\\x.DLL", "z.dll",
                                                       "m\\tool.exe", "a.txt", "verilune.exe"}));
}

struct BalancedCase {
  const char* scenario;
  std::vector<uint64_t> sizes;  // entries named "e<index>" (12 header bytes each)
  uint32_t blocks;
  std::vector<size_t> cut_after;
};

class BalancedCuts : public ::testing::TestWithParam<BalancedCase> {};

TEST_P(BalancedCuts, CutAtTheEntryEndNearestEachSplitPoint) {
  const BalancedCase& c = GetParam();
  std::vector<packer::PackFile> files;
  for (size_t i = 0; i < c.sizes.size(); ++i)
    files.push_back({"e" + std::to_string(i), {}, c.sizes[i]});
  std::vector<bool> cuts = packer::balanced_entry_cuts(files, c.blocks);
  std::vector<size_t> after;
  for (size_t i = 0; i < cuts.size(); ++i)
    if (cuts[i]) after.push_back(i);
  EXPECT_EQ(after, c.cut_after);
}

INSTANTIATE_TEST_SUITE_P(
    Packer, BalancedCuts,
    ::testing::Values(
        // Eight small modules then one large program (the benchmark payload's shape): the end
        // before the program is nearer the middle than the content's end.
        BalancedCase{"SmallModulesThenALargeProgram",
                     {1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 15000},
                     2,
                     {7}},
        BalancedCase{
            "EvenEntriesSplitEvenly", {100, 100, 100, 100, 100, 100, 100, 100}, 4, {1, 3, 5}},
        BalancedCase{"AnEntryOverSeveralPartsGivesFewerBlocks", {10, 1000, 10}, 4, {0, 1}},
        BalancedCase{"OneEntryIsOneBlock", {5000}, 2, {}}),
    [](const auto& info) { return std::string(info.param.scenario); });

// A stream header and one block header stating `dict` (x86 and LZMA2), enough for the
// installer to count a block's decoding memory.
std::vector<uint8_t> stream_stating(uint32_t dict) {
  std::vector<uint8_t> bytes(LZMA_STREAM_HEADER_SIZE + LZMA_BLOCK_HEADER_SIZE_MAX);
  lzma_stream_flags flags{};
  flags.check = LZMA_CHECK_CRC32;
  EXPECT_EQ(lzma_stream_header_encode(&flags, bytes.data()), LZMA_OK);
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 9);
  options.dict_size = dict;
  lzma_filter chain[] = {
      {LZMA_FILTER_X86, nullptr}, {LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_block block{};
  block.version = 1;
  block.check = LZMA_CHECK_CRC32;
  block.filters = chain;
  block.compressed_size = LZMA_VLI_UNKNOWN;
  block.uncompressed_size = LZMA_VLI_UNKNOWN;
  EXPECT_EQ(lzma_block_header_size(&block), LZMA_OK);
  EXPECT_EQ(lzma_block_header_encode(&block, bytes.data() + LZMA_STREAM_HEADER_SIZE), LZMA_OK);
  return bytes;
}

// The packer's dictionary for two decoding threads is one the installer's budget lets two
// threads decode with, and the largest such: the next LZMA2 size would leave one thread.
TEST(Packer, DictionaryWithinBudgetLetsTwoThreadsDecode) {
  const uint32_t preset = 64u << 20;
  for (uint64_t largest : {15'000'000ull, 35'800'000ull, 120'000'000ull}) {
    uint32_t dict = packer::dictionary_within_budget(largest, 2, preset);
    auto threads = [&](uint64_t size) {
      std::vector<uint8_t> stream = stream_stating(static_cast<uint32_t>(size));
      StreamBlock block{LZMA_STREAM_HEADER_SIZE, stream.size(), stream.size(), 0, largest};
      return threads_for_blocks(2, 2, block_decode_memory(stream, block));
    };
    EXPECT_EQ(threads(dict), 2u) << largest;
    uint64_t next = dict % 3 == 0 ? dict / 3 * 4 : dict / 2 * 3;
    if (next <= preset) EXPECT_EQ(threads(next), 1u) << largest;
  }
}

}  // namespace
}  // namespace vl
