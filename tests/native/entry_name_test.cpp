#include <gtest/gtest.h>

#include "sys/paths.h"

namespace vl {
namespace {

TEST(EntryName, AcceptsTheShippedNamesAndSubfolders) {
  const char* names[] = {"verilune.exe", "uninstall.exe", "ShuttleCsp11_3003.dll",
                         "cryptoide_pkcs11.dll", "eTPKCS11.dll", "eToken.dll", "eps2003csp11.dll",
                         "eps2003csp11v2.dll", "eps2003csp11x32.dll", "pkcs11-drivers\\x.dll",
                         "pkcs11-drivers\\libcastle.dylib", "a\\b\\c.dll", "Тест файл.dll",
                         ".hidden", "console.dll", "com10.dll", "nullable.dll", "a..b.dll"};
  for (const char* name : names) EXPECT_TRUE(is_valid_entry_name(name)) << name;
}

TEST(EntryName, RefusesNamesThatLeaveTheFolderOrAreAmbiguous) {
  const std::string names[] = {
      "", "\\x.dll", "\\\\server\\share\\x.dll", "\\\\?\\C:\\x.dll", "C:\\x.dll", "C:x.dll",
      "a/b.dll", "a:stream", "a\\\\b.dll", "a\\", ".", "..", ".\\a.dll", "..\\a.dll",
      "a\\..\\b.dll", "a\\.\\b.dll", "a.", "a ", "dir.\\a.dll", "dir \\a.dll", "\xFF.dll",
      "\xC0\xAF.dll", "NUL", "nul.txt", "CON", "Com1.dll", "lpt9", "aux.h\\x", "a\tb.dll",
      std::string("a\0b.dll", 7), "a?.dll", "a*.dll", "a|b", "a<b", "a>b", "a\"b"};
  for (const std::string& name : names) EXPECT_FALSE(is_valid_entry_name(name)) << name;
}

TEST(EntryName, PlainFileNameHasNoFolder) {
  EXPECT_TRUE(is_plain_file_name("verilune-old.exe"));
  EXPECT_FALSE(is_plain_file_name("bin\\verilune.exe"));
  EXPECT_FALSE(is_plain_file_name("..\\verilune.exe"));
  EXPECT_FALSE(is_plain_file_name(""));
}

}  // namespace
}  // namespace vl
