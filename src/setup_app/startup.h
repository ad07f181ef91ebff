#pragma once
// Assembling the start-up record: detection in its fixed order, then the settled options.
#include <functional>
#include <optional>
#include <string>

#include "setup_app/settle_options.h"
#include "setup_app/startup_context.h"

namespace vl {

// The detectors start-up consults, injected so the order and the skips can be checked anywhere.
struct InstalledStateProbes {
  std::function<std::optional<ExistingInstall>()> existing_install;
  std::function<std::optional<LegacyClient>(const std::string& install_dir)> legacy_client;
  std::function<std::optional<std::string>()> previous_msi;
};

// The existing installation and its mode, the settled directory and scope, the legacy client
// (not with /UPDATE; probed below the settled directory), an earlier MSI install (only without
// an existing installation), and the remaining options. The payload is left to the caller.
StartupContext gather_startup_context(CommandLine cmd, const InstalledStateProbes& probes,
                                      const FolderServices& folders);

// The run log's line of the settled options: "options: scope=… dir="…" desktop=… legacy=…
// mode=…", then " installed=VERSION" when an installation exists.
std::string settled_options_text(const StartupContext& context);

}  // namespace vl
