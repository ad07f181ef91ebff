#include "product/scope_hive_win.h"

namespace vl {

HKEY scope_hive(InstallScope scope) {
  return scope == InstallScope::AllUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

}  // namespace vl
