// The pipeline's bodies for the running application (Prepare), an earlier MSI installation of
// the product (Prepare) and the predecessor client (RemoveLegacy).
#include "install/install_steps.h"
#include "install/legacy_removal_win.h"
#include "install/running_app_win.h"

namespace vl {

void stop_running_application(const InstallJob& job) {
  stop_application_processes(job.install_dir, job.previous_main_binary, job.update_in_place);
}

void remove_previous_msi_install(std::string_view product_code) {
  remove_previous_msi(product_code, system_msiexec_path());
}

void remove_legacy_client(const InstallJob& job, StepProgress&) {
  if (!job.legacy) return;
  remove_legacy_client(*job.legacy, LegacyRemovalContext{job.install_dir, job.quiet,
                                                         system_msiexec_path()});
}

}  // namespace vl
