#include <gtest/gtest.h>

#include "sys/own_copy.h"

namespace vl {
namespace {

constexpr std::string_view SYSTEM = "C:\\Windows\\System32";
constexpr std::string_view FOLDER = "C:\\Windows\\SystemTemp\\Verilune-uninstall-0123456789abcdef";
const std::string PROGRAM = std::string(FOLDER) + "\\uninstall.exe";

TEST(OwnCopySweep, RefusesWhatTheCommandProcessorWouldReadAsItsOwn) {
  struct Row {
    std::string folder, arguments;
    bool accepted;
  };
  const Row rows[] = {
      {std::string(FOLDER), "--vl-from-temp \"_?=C:\\Program Files (x86)\\Verilune\"", true},
      {"C:\\Users\\A&B (x)\\Temp\\V-1", "--vl-from-temp _?=C:\\x", true},  // quoted on the line
      {"C:\\Users\\%USERNAME%\\Temp\\V-1", "--vl-from-temp _?=C:\\x", false},
      {"C:\\Users\\a^b\\Temp\\V-1", "--vl-from-temp _?=C:\\x", false},
      {"C:\\Users\\a!b\\Temp\\V-1", "--vl-from-temp _?=C:\\x", false},
      {"C:\\Users\\a\"b\\Temp\\V-1", "--vl-from-temp _?=C:\\x", false},
      {std::string(FOLDER), "--vl-from-temp _?=C:\\a&b", false},         // unquoted operator
      {std::string(FOLDER), "--vl-from-temp \"_?=C:\\a", false},         // unbalanced
      {std::string(FOLDER), "--vl-from-temp \"_?=C:\\%TEMP%\"", false},  // expands in quotes too
      {"", "--vl-from-temp _?=C:\\x", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(
        copy_and_sweep_command(row.folder + "\\uninstall.exe", row.arguments, row.folder, SYSTEM)
            .has_value(),
        row.accepted)
        << row.folder << " | " << row.arguments;
  }
}

TEST(OwnCopySweep, WaitsForTheCopyThenRemovesOnlyItsFolderWithSystemPrograms) {
  const std::string command =
      copy_and_sweep_command(PROGRAM, "--vl-from-temp _?=C:\\x", FOLDER, SYSTEM).value_or("");
  const std::string quoted = "\"" + std::string(FOLDER) + "\"";
  // The copy first, and waited for; only then the removal, of the copy's folder alone.
  const size_t start =
      command.find("start \"\" /wait \"" + PROGRAM + "\" --vl-from-temp _?=C:\\x ");
  ASSERT_NE(start, std::string::npos) << command;
  EXPECT_GT(command.find("rd /s /q " + quoted), start) << command;
  for (size_t at = command.find("rd /s /q "); at != std::string::npos;
       at = command.find("rd /s /q ", at + 1)) {
    EXPECT_EQ(command.compare(at + 9, quoted.size(), quoted), 0) << command.substr(at);
  }
  // The pause is the system's ping by its full path, never one found through the PATH.
  for (size_t at = command.find("ping"); at != std::string::npos; at = command.find("ping", at + 1))
    EXPECT_EQ(command.compare(at - SYSTEM.size() - 1, SYSTEM.size(), SYSTEM), 0)
        << command.substr(at);
}

}  // namespace
}  // namespace vl
