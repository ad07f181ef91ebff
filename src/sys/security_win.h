#pragma once
// Security descriptors written as data in the system's descriptor language (SDDL) and turned
// into the binary form that object-creating calls take.
#include <windows.h>

#include <string_view>

#include "sys/result.h"
#include "sys/unique_handle_win.h"

namespace vl {

using UniqueSecurityDescriptor = UniqueLocalMem<void>;

// A self-relative security descriptor for `sddl`; the failure text is the system's message.
Result<UniqueSecurityDescriptor> security_descriptor_from_sddl(std::string_view sddl);

}  // namespace vl
