#pragma once
// The registry hive of an installation scope.
#include <windows.h>

#include "product/product.h"

namespace vl {

// HKEY_LOCAL_MACHINE for all users, HKEY_CURRENT_USER for the current user.
HKEY scope_hive(InstallScope scope);

}  // namespace vl
