#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "install/copy_entries.h"
#include "install/install_job.h"
#include "native/payload_craft.h"
#include "native/payload_test_support.h"
#include "packer.h"

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

}  // namespace
}  // namespace vl
