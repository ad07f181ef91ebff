#include "setup_app/detect_installed_win.h"

#include <windows.h>
#include <shlobj.h>

#include "product/product.h"
#include "product/scope_hive_win.h"
#include "sys/elevation_win.h"
#include "sys/folders_win.h"
#include "sys/paths.h"
#include "sys/registry_win.h"
#include "sys/text.h"
#include "sys/text_win.h"

namespace vl {
namespace {

std::optional<std::string> non_empty(std::optional<std::string> text) {
  if (text && text->empty()) return std::nullopt;
  return text;
}

std::optional<ExistingInstall> read_install_record(InstallScope scope) {
  HKEY root = scope_hive(scope);
  if (!reg_key_exists(root, UNINSTALL_KEY)) return std::nullopt;
  std::string location;
  for (auto candidate : {read_reg_string(root, PRODUCT_KEY, ""),
                         read_reg_string(root, UNINSTALL_KEY, VALUE_INSTALL_LOCATION)}) {
    // A value that normalises to nothing counts as missing too.
    if (candidate && !normalize_location(*candidate).empty()) {
      location = normalize_location(*candidate);
      break;
    }
  }
  if (location.empty()) return std::nullopt;
  ExistingInstall record;
  record.location = location;
  record.version = non_empty(read_reg_string(root, UNINSTALL_KEY, VALUE_DISPLAY_VERSION));
  record.main_binary = non_empty(read_reg_string(root, UNINSTALL_KEY, VALUE_MAIN_BINARY))
                           .value_or(std::string(APPLICATION_FILE_NAME));
  record.scope = scope;
  return record;
}

// Whether the user could act on `location` with their own rights anyway: inside their profile
// (which comes from the machine's profile list, not from anything the user redirects), with no
// reparse point on the way there that could lead elsewhere.
bool user_could_act_on(const std::string& location) {
  const std::optional<std::string> profile = known_folder_path(FOLDERID_Profile);
  if (!profile) return false;
  const std::string full = absolute_path(location);
  return is_inside_profile(*profile, full) && !passes_reparse_point(*profile, full);
}

bool holds_legacy_client(const std::string& dir) {
  return path_exists(join_path(dir, LEGACY_CLIENT_EXE));
}

}  // namespace

std::optional<ExistingInstall> detect_existing_install(PerUserRecordTrust per_user) {
  std::vector<ExistingInstall> records;
  if (auto record = read_install_record(InstallScope::AllUsers))
    records.push_back(std::move(*record));
  if (per_user != PerUserRecordTrust::None) {
    auto record = read_install_record(InstallScope::CurrentUser);
    if (record && (per_user == PerUserRecordTrust::Full || user_could_act_on(record->location)))
      records.push_back(std::move(*record));
  }
  for (const auto& record : records) {
    if (path_exists(join_path(record.location, record.main_binary))) return record;
  }
  if (records.empty()) return std::nullopt;
  return records.front();
}

std::optional<LegacyClient> detect_legacy_client(const std::string& install_dir) {
  std::optional<LegacyClient> found;
  std::optional<std::string> registered_location;
  for (RegView view : {RegView::Bits32, RegView::Bits64}) {
    for (const std::string& name : enum_reg_subkeys(HKEY_LOCAL_MACHINE, UNINSTALL_ROOT, view)) {
      if (name.empty() || name.front() != '{') continue;
      std::string key = join_path(UNINSTALL_ROOT, name);
      if (read_reg_string(HKEY_LOCAL_MACHINE, key, VALUE_DISPLAY_NAME, view) != LEGACY_DISPLAY_NAME) continue;
      found = LegacyClient{name, read_reg_string(HKEY_LOCAL_MACHINE, key, VALUE_DISPLAY_VERSION, view),
                           std::nullopt};
      registered_location = read_reg_string(HKEY_LOCAL_MACHINE, key, VALUE_INSTALL_LOCATION, view);
      break;
    }
    if (found) break;
  }

  std::optional<std::string> location;
  if (registered_location) {
    std::string dir = normalize_location(*registered_location);
    if (!dir.empty() && holds_legacy_client(dir)) location = dir;
  }
  if (!location) {
    std::string program_files = known_folder_path(FOLDERID_ProgramFilesX86).value_or("");
    for (const std::string& dir :
         {join_path(install_dir, LEGACY_FOLDER_NAME),
          join_path(join_path(program_files, PUBLISHER), LEGACY_FOLDER_NAME),
          join_path(join_path(program_files, PRODUCT_NAME), LEGACY_FOLDER_NAME)}) {
      if (holds_legacy_client(dir)) {
        location = dir;
        break;
      }
    }
  }

  if (found) {
    found->location = location;
    return found;
  }
  if (location) return LegacyClient{std::nullopt, std::nullopt, location};
  return std::nullopt;
}

std::optional<std::string> detect_previous_msi() {
  for (const std::string& name : enum_reg_subkeys(HKEY_LOCAL_MACHINE, UNINSTALL_ROOT)) {
    std::string key = join_path(UNINSTALL_ROOT, name);
    if (read_reg_string(HKEY_LOCAL_MACHINE, key, VALUE_DISPLAY_NAME) != PRODUCT_NAME) continue;
    if (read_reg_string(HKEY_LOCAL_MACHINE, key, VALUE_PUBLISHER) != PUBLISHER) continue;
    auto uninstall = read_reg_string(HKEY_LOCAL_MACHINE, key, VALUE_UNINSTALL_STRING);
    if (uninstall && lower_full(*uninstall).find("msiexec") != std::string::npos) return name;
  }
  return std::nullopt;
}

std::vector<std::string> read_previous_files(InstallScope scope) {
  std::vector<std::string> files = read_reg_multi_string(scope_hive(scope), UNINSTALL_KEY, VALUE_INSTALLED_FILES);
  if (files.empty()) files.emplace_back(PREVIOUS_FILES_FALLBACK);
  return files;
}

FolderServices system_folder_services() {
  FolderServices folders;
  folders.known_folder = [](InstallScope scope) {
    return known_folder_path(scope == InstallScope::AllUsers ? FOLDERID_ProgramFilesX86
                                                              : FOLDERID_LocalAppData);
  };
  folders.full_path = absolute_path;
  return folders;
}

InstalledStateProbes system_probes(bool resumed) {
  const PerUserRecordTrust per_user = per_user_record_trust(is_process_elevated(), resumed);
  return InstalledStateProbes{[per_user] { return detect_existing_install(per_user); },
                              detect_legacy_client, detect_previous_msi};
}

}  // namespace vl
