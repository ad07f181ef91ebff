#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include "install/registration_win.h"
#include "sys/registry_win.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"
#include "wine/support/files.h"
#include "wine/support/processes.h"
#include "wine/support/registry.h"

namespace vl {
namespace {

using wine_test::ScratchKey;

// The registration's plan with its keys moved under a scratch key.
std::vector<RegistryKeyValues> scratch_plan(const ScratchKey& scratch, std::string_view dir, uint64_t total_size,
                                            std::span<const std::string> files) {
  auto plan = plan_registration(dir, InstallScope::CurrentUser, total_size, files);
  for (auto& key : plan) key.key = scratch.sub(key.key);
  return plan;
}

TEST(Registration, EveryValueReadsBackWithItsTypeAndExactBytes) {
  ScratchKey scratch;
  std::vector<std::string> files = {"verilune.exe", "uninstall.exe", "pkcs11-drivers\\libcastle.dll"};
  auto plan = scratch_plan(scratch, "C:\\users\\Тест\\AppData\\Local\\Verilune", 24494888, files);
  Status written = write_registry_plan(scratch.root(), plan);
  ASSERT_TRUE(written.ok()) << written.error();
  for (const auto& key : plan) {
    for (const auto& value : key.values) {
      auto stored = wine_test::get_reg_value(scratch.root(), key.key, value.name);
      ASSERT_TRUE(stored) << value.name;
      EXPECT_EQ(stored->type, static_cast<DWORD>(value.type)) << value.name;
      EXPECT_EQ(stored->data, value.data) << value.name;
    }
  }
  // What the next run's detection reads back.
  const std::string uninstall = scratch.sub(UNINSTALL_KEY);
  EXPECT_EQ(read_reg_string(scratch.root(), scratch.sub(PRODUCT_KEY), ""),
            "C:\\users\\Тест\\AppData\\Local\\Verilune");
  EXPECT_EQ(read_reg_string(scratch.root(), uninstall, "InstallLocation"),
            "\"C:\\users\\Тест\\AppData\\Local\\Verilune\"");
  EXPECT_EQ(read_reg_string(scratch.root(), uninstall, "QuietUninstallString"),
            "\"C:\\users\\Тест\\AppData\\Local\\Verilune\\uninstall.exe\" /S");
  auto size = wine_test::get_reg_value(scratch.root(), uninstall, "EstimatedSize");
  ASSERT_TRUE(size);
  EXPECT_EQ(size->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size->data, (std::vector<uint8_t>{0x70, 0x5D, 0, 0}));  // 23920
}

TEST(Registration, AnUpdateReplacesTheFileListAndKeepsForeignValues) {
  ScratchKey scratch;
  std::vector<std::string> old_files = {"verilune.exe", "old\\gone.dll"};
  ASSERT_TRUE(write_registry_plan(scratch.root(), scratch_plan(scratch, "C:\\V", 2048, old_files)).ok());
  const std::string uninstall = scratch.sub(UNINSTALL_KEY);
  ASSERT_TRUE(wine_test::set_reg_string(scratch.root(), uninstall, "HelpLink", "kept"));

  std::vector<std::string> new_files = {"verilune.exe"};
  auto plan = scratch_plan(scratch, "C:\\V", 4096, new_files);
  ASSERT_TRUE(write_registry_plan(scratch.root(), plan).ok());
  ASSERT_TRUE(write_registry_plan(scratch.root(), plan).ok());  // a repair writes the same again
  auto files = wine_test::get_reg_value(scratch.root(), uninstall, "VlFiles");
  ASSERT_TRUE(files);
  EXPECT_EQ(files->type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(files->data, encode_reg_multi_string(new_files));
  EXPECT_EQ(read_reg_string(scratch.root(), uninstall, "HelpLink"), "kept");
}

TEST(Registration, AnEmptyFileListIsStoredAsASingleNul) {
  ScratchKey scratch;
  ASSERT_TRUE(write_registry_plan(scratch.root(), scratch_plan(scratch, "C:\\V", 0, {})).ok());
  auto files = wine_test::get_reg_value(scratch.root(), scratch.sub(UNINSTALL_KEY), "VlFiles");
  ASSERT_TRUE(files);
  EXPECT_EQ(files->type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(files->data, (std::vector<uint8_t>{0, 0}));
}

TEST(Registration, AKeyThatCannotBeCreatedStopsAtOnceWithTheSystemsText) {
  ScratchKey scratch;
  // The product key's parent lets nobody create subkeys: the first write fails and nothing of
  // the Uninstall entry is written.
  const std::string locked = scratch.sub("locked");
  {
    UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(scratch.root(), to_wide(locked).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    LONG status = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    ASSERT_EQ(status, ERROR_SUCCESS);
  }
  auto plan = plan_registration("C:\\V", InstallScope::AllUsers, 0, {});
  plan[0].key = locked + "\\osmira\\Verilune";
  plan[1].key = scratch.sub(UNINSTALL_KEY);
  Status written = write_registry_plan(scratch.root(), plan);
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.error(), "registry " + plan[0].key + ": " + system_message(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(reg_key_exists(scratch.root(), plan[1].key));
}

}  // namespace
}  // namespace vl
