// Placeholders for the running-application and legacy-removal bodies of the pipeline: they do
// nothing yet. Whoever implements one of them deletes it here (and this file when empty).
#include "install/install_steps.h"

namespace vl {

void stop_running_application(const InstallJob&) {}

void remove_previous_msi_install(std::string_view) {}

void remove_legacy_client(const InstallJob&, StepProgress&) {}

}  // namespace vl
