#include <gtest/gtest.h>

#include "setup_app/job_rules.h"

namespace vl {
namespace {

StartupContext fresh_context() {
  StartupContext state;
  state.options.scope = InstallScope::CurrentUser;
  state.options.install_dir = "C:\\users\\u\\AppData\\Local\\Verilune";
  state.options.desktop_shortcut = true;
  state.options.remove_legacy = true;
  state.command_line.silent = true;
  return state;
}

TEST(InstallJobRule, AFreshInstallHasNoPreviousFilesAndMakesBothShortcuts) {
  StartupContext state = fresh_context();
  InstallJob job = make_install_job(state, {"ignored.dll"}, false);
  EXPECT_EQ(job.install_dir, state.options.install_dir);
  EXPECT_EQ(job.scope, InstallScope::CurrentUser);
  EXPECT_TRUE(job.previous_files.empty());
  EXPECT_FALSE(job.previous_main_binary);
  EXPECT_FALSE(job.legacy);
  EXPECT_TRUE(job.quiet);
  EXPECT_FALSE(job.update_in_place);
  EXPECT_TRUE(job.create_start_menu_shortcut);
  EXPECT_TRUE(job.create_desktop_shortcut);
  EXPECT_TRUE(job.provision_webview2);
}

TEST(InstallJobRule, AnExistingInstallationHandsOverItsFilesAndMainBinary) {
  StartupContext state = fresh_context();
  state.installed.existing = ExistingInstall{"C:\\V", "3.0.5", "Old Key.exe", InstallScope::CurrentUser};
  InstallJob job = make_install_job(state, {"verilune.exe", "old\\gone.dll"}, true);
  EXPECT_EQ(job.previous_files, (std::vector<std::string>{"verilune.exe", "old\\gone.dll"}));
  EXPECT_EQ(job.previous_main_binary, "Old Key.exe");
  EXPECT_FALSE(job.provision_webview2);
}

TEST(InstallJobRule, SwitchesDecideShortcutsWebView2AndLegacyRemoval) {
  LegacyClient client{"{1111-2222}", "1.0", "C:\\Old"};
  struct Case {
    const char* name;
    bool update, no_shortcut, desktop, remove_legacy;
    bool start_menu_expected, desktop_expected, webview2_expected, legacy_expected;
  };
  const Case cases[] = {
      {"defaults", false, false, true, true, true, true, true, true},
      {"/UPDATE", true, false, true, true, false, false, false, true},
      {"/NS", false, true, true, true, false, false, true, true},
      {"no desktop", false, false, false, true, true, false, true, true},
      {"legacy kept", false, false, true, false, true, true, true, false},
  };
  for (const Case& c : cases) {
    StartupContext state = fresh_context();
    state.command_line.update = c.update;
    state.command_line.no_shortcut = c.no_shortcut;
    state.options.desktop_shortcut = c.desktop;
    state.options.remove_legacy = c.remove_legacy;
    state.installed.legacy = client;
    state.installed.previous_msi_code = "{MSI}";
    InstallJob job = make_install_job(state, {}, false);
    EXPECT_EQ(job.create_start_menu_shortcut, c.start_menu_expected) << c.name;
    EXPECT_EQ(job.create_desktop_shortcut, c.desktop_expected) << c.name;
    EXPECT_EQ(job.provision_webview2, c.webview2_expected) << c.name;
    EXPECT_EQ(job.legacy.has_value(), c.legacy_expected) << c.name;
    EXPECT_EQ(job.update_in_place, c.update) << c.name;
    EXPECT_EQ(job.previous_msi_code, "{MSI}") << c.name;
    if (job.legacy) EXPECT_EQ(job.legacy->product_code, "{1111-2222}");
  }
}

TEST(InstallPlace, OnlyAnUnelevatedFirstAllUsersRunRelaunchesAndNoElevatedRunInstallsForOneUser) {
  using enum InstallPlace;
  struct Case {
    InstallScope scope;
    bool elevated, resumed;
    InstallPlace place;
  };
  const Case cases[] = {
      {InstallScope::CurrentUser, false, false, InProcess},
      {InstallScope::CurrentUser, true, false, Refused},
      // A resumed copy told --vl-scope=user with administrator rights refuses too.
      {InstallScope::CurrentUser, true, true, Refused},
      {InstallScope::CurrentUser, false, true, InProcess},
      {InstallScope::AllUsers, true, false, InProcess},
      {InstallScope::AllUsers, false, false, ElevatedCopy},
      // A resumed copy that "runas" left unelevated installs itself instead of relaunching.
      {InstallScope::AllUsers, false, true, InProcess},
      {InstallScope::AllUsers, true, true, InProcess},
  };
  for (const Case& c : cases)
    EXPECT_EQ(install_place(c.scope, c.elevated, c.resumed), c.place)
        << (c.scope == InstallScope::AllUsers ? "all users" : "current user") << " elevated=" << c.elevated
        << " resumed=" << c.resumed;
}

TEST(SilentRelaunchExitCode, IsTheCopysCodeOrOneWhenElevationDidNotHappen) {
  EXPECT_EQ(silent_relaunch_exit_code(ElevationOutcome::finished(0)), 0);
  EXPECT_EQ(silent_relaunch_exit_code(ElevationOutcome::finished(2)), 2);
  EXPECT_EQ(static_cast<uint32_t>(silent_relaunch_exit_code(ElevationOutcome::finished(0x80070005u))),
            0x80070005u);
  EXPECT_EQ(silent_relaunch_exit_code(ElevationOutcome::declined()), 1);
  EXPECT_EQ(silent_relaunch_exit_code(ElevationOutcome::failed("The system cannot find the file.")), 1);
}

TEST(ResumeState, CarriesTheSettledChoicesAndTheForwardedSwitches) {
  StartupContext state = fresh_context();
  state.options.scope = InstallScope::AllUsers;
  state.options.install_dir = "C:\\Program Files\\My App";
  state.options.desktop_shortcut = false;
  state.options.remove_legacy = true;
  state.command_line.passthrough = "/S /ALLUSERS /LOG=C:\\my logs\\x.log /ARGS --minimized";
  state.command_line.log_path = "C:\\my logs\\x.log";
  state.command_line.log_relay = 4242;
  // The copy is handed the relay's number, never the path.
  EXPECT_EQ(build_resume_arguments(resume_state(state), std::nullopt),
            "--vl-resume --vl-scope=machine \"--vl-dir=C:\\Program Files\\My App\" --vl-desktop=0 "
            "--vl-legacy=1 "
            "--vl-log-relay=4242 /S /ALLUSERS /LOG=C:\\my logs\\x.log /ARGS --minimized");
}

}  // namespace
}  // namespace vl
