#include "support/wizard_states.h"

#include "install/install_job.h"
#include "support/versions.h"
#include "wizard/strings.h"

namespace vl::page_states {
namespace {

constexpr const char* kAllUsersDir = "C:\\Program Files (x86)\\Verilune";
constexpr const char* kCurrentUserDir = "C:\\Users\\Туршилт\\AppData\\Local\\Verilune";
constexpr const char* kCustomDir =
    "D:\\Программууд\\Гарын үсгийн хэрэгслүүд\\Байгууллагын суулгац\\Verilune";

const char* mode_name(InstallMode mode) {
  switch (mode) {
    case InstallMode::FreshInstall: return "fresh";
    case InstallMode::Upgrade: return "upgrade";
    case InstallMode::Reinstall: return "reinstall";
    case InstallMode::Downgrade: return "downgrade";
  }
  return "fresh";
}

WizardState base_state(InstallMode mode) {
  WizardState s;
  s.installed.mode = mode;
  s.options.scope = InstallScope::CurrentUser;
  s.options.install_dir = kCurrentUserDir;
  if (mode != InstallMode::FreshInstall) {
    ExistingInstall existing;
    existing.location = kCurrentUserDir;
    existing.version = mode == InstallMode::Upgrade     ? test_versions::older()
                       : mode == InstallMode::Downgrade ? test_versions::newer()
                                                        : test_versions::own();
    s.installed.existing = existing;
  }
  return s;
}

LegacyClient legacy_client() {
  LegacyClient legacy;
  legacy.product_code = "{6F1B6C2A-0D55-4E4B-9C55-6A1C3B0E2F11}";
  legacy.display_version = "2.4.1";
  return legacy;
}

WizardStateCase make(std::string name, WizardState state) {
  WizardStateCase c;
  c.name = std::move(name);
  c.state = std::move(state);
  return c;
}

// The steps the pipeline runs, with or without the runtime and the predecessor to see to.
std::vector<InstallStep> steps(bool optional_steps) {
  InstallJob job;
  job.provision_webview2 = optional_steps;
  if (optional_steps) job.legacy = legacy_client();
  return install_steps(job);
}

std::vector<WizardStateCase> build() {
  std::vector<WizardStateCase> cases;
  const InstallMode modes[] = {InstallMode::FreshInstall, InstallMode::Upgrade,
                               InstallMode::Reinstall, InstallMode::Downgrade};
  for (InstallMode mode : modes) {
    for (int variant = 0; variant < 4; ++variant) {
      const bool legacy = variant & 1;
      const bool notice = variant & 2;
      WizardState s = base_state(mode);
      if (legacy) s.installed.legacy = legacy_client();
      if (notice) s.error_text = std::string(TEXT_ELEVATION_DECLINED);
      std::string name = std::string("welcome-") + mode_name(mode);
      if (legacy) name += "-legacy";
      if (notice) name += "-notice";
      cases.push_back(make(name, s));
    }
  }
  {
    WizardState s = base_state(InstallMode::Upgrade);
    s.installed.existing->version.reset();
    cases.push_back(make("welcome-upgrade-unknown-version", s));
    WizardState unknown_legacy = base_state(InstallMode::FreshInstall);
    unknown_legacy.installed.legacy = legacy_client();
    unknown_legacy.installed.legacy->display_version.reset();
    cases.push_back(make("welcome-fresh-legacy-unknown-version", unknown_legacy));
  }

  WizardState settings = base_state(InstallMode::FreshInstall);
  settings.page.kind = PageKind::Settings;
  {
    WizardState s = settings;
    s.options.scope = InstallScope::AllUsers;
    s.options.install_dir = kAllUsersDir;
    cases.push_back(make("settings-all-users", s));
    s.error_text = std::string(TEXT_ELEVATION_DECLINED);
    cases.push_back(make("settings-all-users-notice", s));
    cases.push_back(make("settings-current-user", settings));
    WizardState custom = settings;
    custom.options.install_dir = kCustomDir;
    custom.options.dir_customized = true;
    cases.push_back(make("settings-customised-folder", custom));
  }

  for (bool optional_steps : {true, false}) {
    const std::string suffix = optional_steps ? "-all-steps" : "-three-steps";
    WizardState s = base_state(InstallMode::FreshInstall);
    s.page.kind = PageKind::Progress;
    s.busy = true;
    s.step_list = steps(optional_steps);
    if (optional_steps) s.installed.legacy = legacy_client();

    WizardStateCase start = make("progress-start" + suffix, s);
    start.state.options.scope = InstallScope::AllUsers;
    start.state.options.install_dir = kAllUsersDir;
    cases.push_back(start);

    WizardStateCase midway = make("progress-midway" + suffix, s);
    midway.progress.step = static_cast<uint8_t>(InstallStep::CopyFiles);
    midway.progress.fraction = 0.52f;
    midway.progress.detail = "pkcs11-drivers\\libcastle.dll";
    cases.push_back(midway);

    WizardStateCase full = make("progress-full" + suffix, s);
    full.progress.step = static_cast<uint8_t>(InstallStep::Register);
    full.progress.fraction = 1.0f;
    cases.push_back(full);
  }
  {
    WizardState s = base_state(InstallMode::Upgrade);
    s.page.kind = PageKind::Progress;
    s.busy = true;
    s.planned_steps = steps(false);
    WizardStateCase planned = make("progress-upgrade-planned", s);
    planned.progress.step = static_cast<uint8_t>(InstallStep::Prepare);
    planned.progress.fraction = 0.03f;
    cases.push_back(planned);
  }

  {
    WizardState s = base_state(InstallMode::FreshInstall);
    s.page.kind = PageKind::Done;
    cases.push_back(make("done-fresh", s));
    WizardState upgrade = base_state(InstallMode::Upgrade);
    upgrade.page.kind = PageKind::Done;
    upgrade.launch_on_finish = false;
    cases.push_back(make("done-upgrade-no-launch", upgrade));
    WizardStateCase badge = make("done-badge-0.3", s);
    badge.seconds = 0.3f;
    cases.push_back(badge);
  }
  {
    WizardState s = base_state(InstallMode::FreshInstall);
    s.page = Page{PageKind::Error,
                  "«C:\\Program Files (x86)\\Verilune\\verilune.exe» файлыг "
                  "бичиж чадсангүй.\nAccess is denied."};
    cases.push_back(make("error-short", s));
    std::string long_text = "«D:\\Программууд\\Verilune» хавтсыг үүсгэж чадсангүй.\n";
    for (int i = 0; i < 12; ++i) {
      long_text += "Системийн алдааны дэлгэрэнгүй мэдээлэл энд олон мөрөөр үргэлжилнэ. ";
    }
    s.page.message = long_text;
    cases.push_back(make("error-long", s));
  }
  {
    WizardState welcome = base_state(InstallMode::Upgrade);
    welcome.app_running_prompt = true;
    cases.push_back(make("prompt-over-welcome", welcome));
    WizardState over_settings = settings;
    over_settings.app_running_prompt = true;
    cases.push_back(make("prompt-over-settings", over_settings));
    // A keyboard user who pressed Enter on "Суулгах": the ring follows Enter into the prompt.
    WizardStateCase keyboard = make("prompt-over-welcome-focus", welcome);
    keyboard.focus = ACTION_PRIMARY;
    cases.push_back(keyboard);
  }
  {
    WizardStateCase entry = make("welcome-entry-0.1", base_state(InstallMode::FreshInstall));
    entry.seconds = 0.1f;
    cases.push_back(entry);
    WizardStateCase hover = make("welcome-primary-hover", base_state(InstallMode::FreshInstall));
    hover.mouse = Point{210.0f, 530.0f};
    cases.push_back(hover);
    WizardStateCase focus = make("welcome-primary-focus", base_state(InstallMode::FreshInstall));
    focus.focus = ACTION_PRIMARY;
    cases.push_back(focus);
    // The elevated copy may be installing: the uninstall link is inert.
    WizardStateCase busy = make("welcome-reinstall-busy", base_state(InstallMode::Reinstall));
    busy.state.busy = true;
    busy.mouse = Point{210.0f, 542.0f};
    cases.push_back(busy);
  }
  return cases;
}

}  // namespace

const std::vector<WizardStateCase>& wizard_state_cases() {
  static const std::vector<WizardStateCase> cases = build();
  return cases;
}

const WizardStateCase* find_wizard_state(std::string_view name) {
  for (const WizardStateCase& c : wizard_state_cases()) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

}  // namespace vl::page_states
