#include "sys/security_win.h"

#include <sddl.h>

#include "sys/text_win.h"

namespace vl {

Result<UniqueSecurityDescriptor> security_descriptor_from_sddl(std::string_view sddl) {
  UniqueSecurityDescriptor descriptor;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(to_wide(sddl).c_str(), SDDL_REVISION_1,
                                                            descriptor.put(), nullptr)) {
    return fail(system_message(GetLastError()));
  }
  return descriptor;
}

}  // namespace vl
