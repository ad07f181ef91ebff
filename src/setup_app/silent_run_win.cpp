#include "setup_app/silent_run.h"

namespace vl {

int run_silent(StartupContext) {
  // The unattended installation is not wired up yet: report "not installed".
  return 1;
}

}  // namespace vl
