#pragma once
// Folders of one run's own: made fresh (never an existing one entered) under a random name, so
// that nobody can have prepared them; and the user's temporary folder they usually go in.
#include <optional>
#include <string>
#include <string_view>

#include "sys/result.h"

namespace vl {

// The user's temporary folder: GetTempPath2W where the system has it (Windows 11 and recent
// Windows 10), else GetTempPathW. Empty when it cannot be read.
std::string temporary_folder();

// Creates a new folder in `parent` named `prefix` and 16 random hexadecimal digits (the system's
// random generator), with the security descriptor `sddl` given in the creating call when one is
// given (otherwise the parent's inherited permissions). A name that exists is skipped, never
// entered. Returns the folder's path, or "{path}: {system message}".
Result<std::string> create_private_folder(std::string_view parent, std::string_view prefix,
                                          std::optional<std::string_view> sddl = std::nullopt);

}  // namespace vl
