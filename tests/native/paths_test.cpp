#include <gtest/gtest.h>

#include "sys/paths.h"

namespace vl {
namespace {

TEST(SamePath, DropsTrailingBackslashesAndFoldsCaseFully) {
  EXPECT_TRUE(same_path("C:\\Program Files\\Verilune\\", "c:\\program files\\verilune"));
  EXPECT_TRUE(same_path("C:\\Users\\Бат\\Verilune", "c:\\users\\БАТ\\VERILUNE\\\\"));
  EXPECT_FALSE(same_path("C:\\Verilune", "C:\\Verilune2"));
  EXPECT_FALSE(same_path("C:\\a\\b", "C:\\a"));
}

TEST(SameName, IsAsciiCaseInsensitiveOnly) {
  EXPECT_TRUE(same_name("Old.DLL", "old.dll"));
  EXPECT_FALSE(same_name("old.dll", "old.dl"));
  EXPECT_FALSE(same_name("Тест.dll", "тест.dll"));  // non-ASCII letters compare as bytes
}

TEST(ParentFolder, IsThePathUpToItsLastSeparatorKeepingARootsOwn) {
  struct Case {
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Verilune\\verilune.exe", "C:\\Program Files\\Verilune"},
      {"C:\\verilune.exe", "C:\\"},
      {"verilune.exe", ""},
      {"D:\\Апп\\verilune.exe", "D:\\Апп"},
      {"\\\\server\\share\\v.exe", "\\\\server\\share"},
      {"\\verilune.exe", "\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(parent_folder(c.path), c.expected) << c.path;
}

TEST(FileNameOf, IsTheLastComponent) {
  EXPECT_EQ(file_name_of("C:\\a\\b.dll"), "b.dll");
  EXPECT_EQ(file_name_of("b.dll"), "b.dll");
}

TEST(IsInside, ComparesWholeComponents) {
  EXPECT_TRUE(is_inside("C:\\App", "c:\\app\\sub"));
  EXPECT_TRUE(is_inside("C:\\App\\", "C:\\App\\sub\\x"));
  EXPECT_TRUE(is_inside("D:\\", "D:\\sub"));
  EXPECT_FALSE(is_inside("C:\\App", "C:\\Apple\\sub"));
  EXPECT_FALSE(is_inside("C:\\App\\sub", "C:\\App"));
}

TEST(AbsolutePath, DriveAndUncPathsOnly) {
  for (const char* path : {"C:\\", "c:\\Program Files\\Osmira", "D:/x", "\\\\srv\\share\\V",
                           "\\\\?\\C:\\V"}) {
    EXPECT_TRUE(is_absolute_path(path)) << path;
  }
  for (const char* path : {"", "VeriluneClient", "C:VeriluneClient", "C:", "\\VeriluneClient",
                           "\\\\", "..\\VeriluneClient", "1:\\x"}) {
    EXPECT_FALSE(is_absolute_path(path)) << path;
  }
}

TEST(IsInsideAnySeparators, ComparesWholeComponents) {
  EXPECT_TRUE(is_inside_any_separators("C:\\A", "c:\\a\\b"));
  EXPECT_TRUE(is_inside_any_separators("C:\\A\\", "C:\\A"));
  EXPECT_FALSE(is_inside_any_separators("C:\\A", "C:\\AB"));
  EXPECT_FALSE(is_inside_any_separators("C:\\A\\B", "C:\\A"));
  EXPECT_FALSE(is_inside_any_separators("", "C:\\A"));
}

TEST(IsInsideProfile, OnlyPlainDrivePathsBelowTheProfile) {
  const char* profile = "C:\\Users\\Bat";
  struct Row {
    const char* path;
    bool inside;
  };
  const Row rows[] = {
      {"C:\\Users\\Bat\\AppData\\Local\\Verilune", true},
      {"c:\\users\\BAT\\Verilune", true},
      {"C:\\Users\\Bat", true},
      {"C:\\victim", false},
      {"C:\\Users\\Batman\\Verilune", false},
      {"C:\\Users\\Bat\\..\\..\\victim", false},
      {"C:\\Users\\Bat\\.\\Verilune", false},
      {"C:\\Users\\Bat\\x:stream", false},
      {"C:/Users/Bat/Verilune", false},
      {"\\\\?\\C:\\Users\\Bat\\Verilune", false},
      {"\\\\srv\\C$\\Users\\Bat\\Verilune", false},
      {"Users\\Bat\\Verilune", false},
      {"", false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(is_inside_profile(profile, row.path), row.inside) << row.path;
  EXPECT_FALSE(is_inside_profile("", "C:\\Verilune"));
  EXPECT_FALSE(is_inside_profile("\\\\srv\\home\\Bat", "\\\\srv\\home\\Bat\\Verilune"));
}

TEST(NormalizeLocation, StripsQuotesAndTrailingBackslashes) {
  EXPECT_EQ(normalize_location(R"( "C:\Apps\Verilune\" )"), R"(C:\Apps\Verilune)");
  EXPECT_EQ(normalize_location("D:"), "D:\\");
  EXPECT_EQ(normalize_location("D:\\\\"), "D:\\");
  EXPECT_EQ(normalize_location("\"\"\\"), "");
  EXPECT_EQ(normalize_location("  \t "), "");
}

}  // namespace
}  // namespace vl
