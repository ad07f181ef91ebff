#include <gtest/gtest.h>

#include <vector>

#include "args/command_line.h"
#include "setup_app/startup.h"
#include "setup_app/startup_texts.h"
#include "support/versions.h"
#include "sys/paths.h"
#include "sys/text.h"

namespace vl {
namespace {

struct ProbeLog {
  std::vector<std::string> legacy_dirs;
  int msi_calls = 0;
};

InstalledStateProbes probes(ProbeLog& log, std::optional<ExistingInstall> existing) {
  InstalledStateProbes p;
  p.existing_install = [existing] { return existing; };
  p.legacy_client = [&log](const std::string& dir) -> std::optional<LegacyClient> {
    log.legacy_dirs.push_back(dir);
    return LegacyClient{"{LEGACY}", "1.0", dir + "\\VeriluneClient"};
  };
  p.previous_msi = [&log]() -> std::optional<std::string> {
    ++log.msi_calls;
    return "{MSI}";
  };
  return p;
}

FolderServices folders() {
  FolderServices f;
  f.known_folder = [](InstallScope s) -> std::optional<std::string> {
    return s == InstallScope::AllUsers ? "C:\\PF86" : "C:\\Local";
  };
  f.full_path = [](const std::string& p) { return is_absolute_path(p) ? p : "C:\\cwd\\" + p; };
  return f;
}

TEST(StartupContextAssembly, FreshMachineLooksForLegacyBelowTheSettledFolderAndForAnMsi) {
  ProbeLog log;
  CommandLine cmd;
  cmd.dir_choice = "D:\\Apps\\V";
  StartupContext context = gather_startup_context(cmd, probes(log, std::nullopt), folders());
  EXPECT_EQ(context.installed.mode, InstallMode::FreshInstall);
  EXPECT_EQ(log.legacy_dirs, std::vector<std::string>{"D:\\Apps\\V"});
  EXPECT_EQ(log.msi_calls, 1);
  EXPECT_EQ(context.installed.previous_msi_code, "{MSI}");
  ASSERT_TRUE(context.installed.legacy.has_value());
  EXPECT_EQ(context.command_line.dir_choice, "D:\\Apps\\V");
}

TEST(StartupContextAssembly, UpdateLooksForNoLegacyClient) {
  ProbeLog log;
  CommandLine cmd;
  cmd.update = true;
  StartupContext context = gather_startup_context(cmd, probes(log, std::nullopt), folders());
  EXPECT_TRUE(log.legacy_dirs.empty());
  EXPECT_FALSE(context.installed.legacy.has_value());
}

TEST(StartupContextAssembly, ExistingInstallSetsModeAndSkipsTheMsiLookup) {
  ProbeLog log;
  ExistingInstall existing{"C:\\Old", "3.0.10", "verilune.exe", InstallScope::CurrentUser};
  StartupContext context = gather_startup_context(CommandLine{}, probes(log, existing), folders());
  EXPECT_EQ(context.installed.mode, InstallMode::Downgrade);
  EXPECT_EQ(log.msi_calls, 0);
  EXPECT_FALSE(context.installed.previous_msi_code.has_value());
  EXPECT_EQ(log.legacy_dirs, std::vector<std::string>{"C:\\Old"});
  EXPECT_EQ(context.options.scope, InstallScope::CurrentUser);
}

TEST(StartupContextAssembly, BlankDirectoryChoiceFallsBackToTheDefault) {
  for (const char* blank : {"", "  ", "\u3000"}) {
    ProbeLog log;
    CommandLine cmd = parse_command_line(
        utf8_to_utf16(std::string(R"(setup.exe /CURRENTUSER "--vl-dir=)") + blank + "\""));
    StartupContext context = gather_startup_context(cmd, probes(log, std::nullopt), folders());
    EXPECT_EQ(context.options.install_dir, "C:\\Local\\Verilune") << "[" << blank << "]";
    EXPECT_FALSE(context.options.dir_customized) << "[" << blank << "]";
  }
}

TEST(OldWindowsMessage, AssemblesTheFourParagraphs) {
  EXPECT_EQ(old_windows_message(6, 1, 7601),
            "Verilune " + test_versions::own() +
                " нь Windows 10 болон түүнээс дээш хувилбар дээр ажиллана."
            "\r\n\r\nТаны систем: Windows 6.1 (build 7601)"
            "\r\n\r\nMicrosoft нь Windows 7 / 8 / 8.1 дээрх WebView2-ийн дэмжлэгээ 2023 оны 1-р сард "
            "зогсоосон тул эдгээр систем дээр суулгах боломжгүй."
            "\r\n\r\nДэлгэрэнгүй мэдээллийг https://verilune.mn хаягаас авна уу.");
  EXPECT_NE(old_windows_message(0, 0, 0).find("Windows 0.0 (build 0)"), std::string::npos);
}

}  // namespace
}  // namespace vl
