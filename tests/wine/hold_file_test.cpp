// hold_file.exe, the holder of files in use: its share letters decide which other opens and
// renames the system refuses while it holds the file, and it lets go when told.
#include <gtest/gtest.h>

#include <string>

#include "sys/text_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"

namespace vl::wine_test {
namespace {

constexpr DWORD TIMEOUT_MS = 20000;

// What another process can do to the held file; each attempt undoes itself when it succeeds.
struct Attempts {
  bool read = false;
  bool write = false;
  bool rename = false;
};

bool can_open(const std::wstring& path, DWORD access) {
  UniqueHandle file(CreateFileW(path.c_str(), access,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
  }
  return file.valid();
}

bool can_rename(const std::wstring& path) {
  const std::wstring moved = path + L".moved";
  if (!MoveFileExW(path.c_str(), moved.c_str(), 0)) {
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    return false;
  }
  EXPECT_TRUE(MoveFileExW(moved.c_str(), path.c_str(), 0));
  return true;
}

Attempts try_all(const std::wstring& path) {
  return {can_open(path, GENERIC_READ), can_open(path, GENERIC_WRITE), can_rename(path)};
}

std::wstring hold_command(const std::wstring& path, const wchar_t* share,
                          const wchar_t* extra = L"") {
  return quote_argument(to_wide(harness_program("hold_file"))) + L" " + quote_argument(path) + L" " +
         share + extra;
}

TEST(HoldFile, ShareLettersDecideWhatOthersMayDo) {
  struct Case {
    const wchar_t* share;
    Attempts allowed;
  };
  const Case cases[] = {
      {L"-", {false, false, false}},  {L"r", {true, false, false}}, {L"w", {false, true, false}},
      {L"d", {false, false, true}},   {L"rw", {true, true, false}}, {L"rd", {true, false, true}},
      {L"rwd", {true, true, true}},   {L"dwr", {true, true, true}},
  };
  const std::wstring dir = to_wide(make_temp_dir("hold"));
  ASSERT_FALSE(dir.empty());
  const std::wstring path = dir + L"\\held file.dll";
  write_file(from_wide(path).value(), "contents");
  for (const Case& c : cases) {
    const std::string share = from_wide(c.share).value();
    Child holder(hold_command(path, c.share));
    ASSERT_TRUE(holder.ok()) << holder.start_error();
    ASSERT_EQ(holder.read_line(TIMEOUT_MS), "holding") << share;

    const Attempts held = try_all(path);
    EXPECT_EQ(held.read, c.allowed.read) << "share " << share;
    EXPECT_EQ(held.write, c.allowed.write) << "share " << share;
    EXPECT_EQ(held.rename, c.allowed.rename) << "share " << share;

    ASSERT_TRUE(holder.write_stdin("stop\n"));
    EXPECT_EQ(holder.wait(TIMEOUT_MS), 0u) << share;
    const Attempts released = try_all(path);
    EXPECT_TRUE(released.read && released.write && released.rename) << "after " << share;
  }
}

TEST(HoldFile, ClosingStdinAlsoReleasesTheFile) {
  const std::wstring dir = to_wide(make_temp_dir("hold"));
  const std::wstring path = dir + L"\\a.txt";
  write_file(from_wide(path).value(), "x");
  Child holder(hold_command(path, L"-"));
  ASSERT_EQ(holder.read_line(TIMEOUT_MS), "holding");
  EXPECT_FALSE(can_open(path, GENERIC_READ));
  holder.close_stdin();
  EXPECT_EQ(holder.wait(TIMEOUT_MS), 0u);
  EXPECT_TRUE(can_open(path, GENERIC_READ));
}

TEST(HoldFile, StaysHoldingUntilToldToStop) {
  const std::wstring dir = to_wide(make_temp_dir("hold"));
  const std::wstring path = dir + L"\\a.txt";
  write_file(from_wide(path).value(), "x");
  Child holder(hold_command(path, L"r"));
  ASSERT_EQ(holder.read_line(TIMEOUT_MS), "holding");
  EXPECT_FALSE(holder.wait(500).has_value());  // a partial line is not a stop
  ASSERT_TRUE(holder.write_stdin("st"));
  EXPECT_FALSE(holder.wait(300).has_value());
  EXPECT_FALSE(can_open(path, GENERIC_WRITE));
  ASSERT_TRUE(holder.write_stdin("op\n"));
  EXPECT_EQ(holder.wait(TIMEOUT_MS), 0u);
}

TEST(HoldFile, MissingFileFailsUnlessCreateIsGiven) {
  const std::wstring dir = to_wide(make_temp_dir("hold"));
  const std::wstring path = dir + L"\\missing.txt";
  {
    Child holder(hold_command(path, L"rd"));
    EXPECT_EQ(holder.read_all(TIMEOUT_MS), "");
    EXPECT_EQ(holder.wait(TIMEOUT_MS), 1u);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  }
  Child holder(hold_command(path, L"rd", L" --create"));
  ASSERT_EQ(holder.read_line(TIMEOUT_MS), "holding");
  EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(can_open(path, GENERIC_WRITE));
  holder.close_stdin();
  EXPECT_EQ(holder.wait(TIMEOUT_MS), 0u);
}

TEST(HoldFile, BadUsageExits2) {
  const wchar_t* cases[] = {L"", L"C:\\x.txt", L"C:\\x.txt rx", L"C:\\x.txt \"\"",
                            L"C:\\x.txt r --make", L"C:\\x.txt r --create more"};
  for (const wchar_t* arguments : cases) {
    Child holder(quote_argument(to_wide(harness_program("hold_file"))) + L" " + arguments);
    EXPECT_EQ(holder.wait(TIMEOUT_MS), 2u) << from_wide(arguments).value();
  }
}

}  // namespace
}  // namespace vl::wine_test
