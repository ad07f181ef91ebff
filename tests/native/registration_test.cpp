#include <gtest/gtest.h>

#include "install/registration.h"
#include "support/versions.h"

namespace vl {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(RegistryEncoding, StringsAreUtf16LittleEndianWithTheirNul) {
  EXPECT_EQ(encode_reg_string("1"), (Bytes{0x31, 0, 0, 0}));
  EXPECT_EQ(encode_reg_string(""), (Bytes{0, 0}));
  // Cyrillic and a character outside the BMP (a surrogate pair).
  EXPECT_EQ(encode_reg_string("Ая"), (Bytes{0x10, 0x04, 0x4F, 0x04, 0, 0}));
  EXPECT_EQ(encode_reg_string("\xF0\x9F\x98\x80"), (Bytes{0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
}

TEST(RegistryEncoding, DwordsAreFourBytesLittleEndian) {
  EXPECT_EQ(encode_reg_dword(1), (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(encode_reg_dword(23920), (Bytes{0x70, 0x5D, 0, 0}));
  EXPECT_EQ(encode_reg_dword(0xA1B2C3D4u), (Bytes{0xD4, 0xC3, 0xB2, 0xA1}));
}

TEST(RegistryEncoding, MultiStringsEndWithAnExtraNulAndAnEmptyListIsOneNul) {
  EXPECT_EQ(encode_reg_multi_string({}), (Bytes{0, 0}));
  std::vector<std::string> names = {"a", "d\\b"};
  EXPECT_EQ(encode_reg_multi_string(names), (Bytes{'a', 0, 0, 0, 'd', 0, '\\', 0, 'b', 0, 0, 0, 0, 0}));
}

const RegistryValue& value_named(const RegistryKeyValues& key, std::string_view name) {
  for (const RegistryValue& value : key.values)
    if (value.name == name) return value;
  static RegistryValue none;
  ADD_FAILURE() << "no value " << name;
  return none;
}

TEST(RegistrationPlan, WritesTheProductKeyThenTheUninstallValuesInOrder) {
  std::vector<std::string> files = {"verilune.exe", "uninstall.exe", "pkcs11-drivers\\a.dll"};
  auto plan = plan_registration("C:\\Program Files (x86)\\Verilune", InstallScope::AllUsers, 24494888, files);
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0].key, "Software\\osmira\\Verilune");
  ASSERT_EQ(plan[0].values.size(), 1u);
  EXPECT_EQ(plan[0].values[0], (RegistryValue{"", RegistryType::String,
                                              encode_reg_string("C:\\Program Files (x86)\\Verilune")}));

  EXPECT_EQ(plan[1].key, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Verilune");
  std::vector<std::string> names;
  for (const auto& value : plan[1].values) names.push_back(value.name);
  EXPECT_EQ(names, (std::vector<std::string>{"AllUsers", "MainBinaryName", "DisplayName", "DisplayIcon",
                                             "DisplayVersion", "Publisher", "InstallLocation", "UninstallString",
                                             "QuietUninstallString", "NoModify", "NoRepair", "EstimatedSize",
                                             "VlFiles"}));

  struct Expected {
    const char* name;
    RegistryType type;
    Bytes data;
  };
  const std::string dir = "C:\\Program Files (x86)\\Verilune";
  const Expected expected[] = {
      {"AllUsers", RegistryType::String, encode_reg_string("1")},
      {"MainBinaryName", RegistryType::String, encode_reg_string("verilune.exe")},
      {"DisplayName", RegistryType::String, encode_reg_string("Verilune")},
      {"DisplayIcon", RegistryType::String, encode_reg_string("\"" + dir + "\\verilune.exe\"")},
      {"DisplayVersion", RegistryType::String, encode_reg_string(test_versions::own())},
      {"Publisher", RegistryType::String, encode_reg_string("osmira")},
      {"InstallLocation", RegistryType::String, encode_reg_string("\"" + dir + "\"")},
      {"UninstallString", RegistryType::String, encode_reg_string("\"" + dir + "\\uninstall.exe\"")},
      {"QuietUninstallString", RegistryType::String, encode_reg_string("\"" + dir + "\\uninstall.exe\" /S")},
      {"NoModify", RegistryType::Dword, Bytes{1, 0, 0, 0}},
      {"NoRepair", RegistryType::Dword, Bytes{1, 0, 0, 0}},
      {"EstimatedSize", RegistryType::Dword, encode_reg_dword(23920)},
      {"VlFiles", RegistryType::MultiString, encode_reg_multi_string(files)},
  };
  for (const Expected& e : expected) {
    const RegistryValue& value = value_named(plan[1], e.name);
    EXPECT_EQ(value.type, e.type) << e.name;
    EXPECT_EQ(value.data, e.data) << e.name;
  }
}

TEST(RegistrationPlan, ThePerUserScopeMarksCurrentUser) {
  auto plan = plan_registration("C:\\u\\Verilune", InstallScope::CurrentUser, 0, {});
  EXPECT_EQ(plan[1].values[0].name, "CurrentUser");
  EXPECT_EQ(value_named(plan[1], "VlFiles").data, (Bytes{0, 0}));
  EXPECT_EQ(value_named(plan[1], "EstimatedSize").data, (Bytes{0, 0, 0, 0}));
}

TEST(RegistrationPlan, EstimatedSizeIsKibibytesRoundedDownAndKeptTo32Bits) {
  struct Case {
    uint64_t total_size;
    uint32_t expected;
  };
  const Case cases[] = {{1023, 0}, {1024, 1}, {24494888, 23920}, {(uint64_t{1} << 42) + 5 * 1024 + 1023, 5}};
  for (const Case& c : cases) {
    auto plan = plan_registration("D:\\", InstallScope::CurrentUser, c.total_size, {});
    EXPECT_EQ(value_named(plan[1], "EstimatedSize").data, encode_reg_dword(c.expected)) << c.total_size;
  }
}

TEST(RegistrationPlan, ADriveRootIsJoinedWithoutADoubledBackslash) {
  auto plan = plan_registration("D:\\", InstallScope::CurrentUser, 0, {});
  EXPECT_EQ(value_named(plan[1], "DisplayIcon").data, encode_reg_string("\"D:\\verilune.exe\""));
}

TEST(RegistrationFailureText, NamesTheKeyAndTheValue) {
  EXPECT_EQ(registry_key_failure_text("Software\\osmira\\Verilune", "Access denied."),
            "registry Software\\osmira\\Verilune: Access denied.");
  EXPECT_EQ(registry_value_failure_text("Software\\osmira\\Verilune", "", "Access denied."),
            "registry Software\\osmira\\Verilune\\: Access denied.");
  EXPECT_EQ(registry_value_failure_text("K", "VlFiles", "x"), "registry K\\VlFiles: x");
}

}  // namespace
}  // namespace vl
