#include <gtest/gtest.h>

#include "sys/registry_win.h"
#include "wine/support/registry.h"

namespace vl {
namespace {

using wine_test::ScratchKey;

TEST(RegistryRemoval, ALeafKeyGoesWithItsValuesAndAGoneKeyCountsAsRemoved) {
  ScratchKey scratch;
  const std::string leaf = scratch.sub("Leaf");
  ASSERT_TRUE(wine_test::set_reg_string(scratch.root(), leaf, "InstallLocation", "C:\\x"));
  EXPECT_EQ(delete_reg_key(scratch.root(), leaf), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(reg_key_exists(scratch.root(), leaf));
  EXPECT_EQ(delete_reg_key(scratch.root(), leaf), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST(RegistryRemoval, AKeyWithSubkeysStaysAndTheFailureIsReported) {
  ScratchKey scratch;
  const std::string parent = scratch.sub("Parent");
  ASSERT_TRUE(wine_test::set_reg_string(scratch.root(), parent + "\\Child", "", "x"));
  EXPECT_NE(delete_reg_key(scratch.root(), parent), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_TRUE(reg_key_exists(scratch.root(), parent + "\\Child"));
}

TEST(RegistryRemoval, EmptyMeansNeitherValuesNorSubkeys) {
  ScratchKey scratch;
  struct Row {
    const char* name;
    bool with_value, with_subkey, expected;
  };
  const Row rows[] = {{"Bare", false, false, true},
                      {"Valued", true, false, false},
                      {"Parent", false, true, false}};
  for (const Row& row : rows) {
    const std::string key = scratch.sub(row.name);
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(scratch.root(), key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
    if (row.with_value) ASSERT_TRUE(wine_test::set_reg_string(scratch.root(), key, "v", "x"));
    if (row.with_subkey) ASSERT_TRUE(wine_test::set_reg_string(scratch.root(), key + "\\Sub", "v", "x"));
    EXPECT_EQ(reg_key_is_empty(scratch.root(), key), row.expected) << row.name;
  }
  EXPECT_FALSE(reg_key_is_empty(scratch.root(), scratch.sub("Missing")));
}

}  // namespace
}  // namespace vl
