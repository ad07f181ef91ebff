#pragma once
// A program that must remove its own file (an uninstaller) cannot while it runs: Windows keeps a
// running image from being deleted, and only administrators may schedule a deletion for the
// next restart. So it hands the last of its work to a copy of itself in a folder of its own,
// and the copy's own file and folder are removed by the system's command processor, which
// started the copy, waited for it to end and then removes the folder.
//
// Why not the copy's file opened with FILE_FLAG_DELETE_ON_CLOSE and inherited: a process's
// handles are closed before its image is unmapped, so the file outlives them by a moment and
// the folder around it cannot go in the same breath (under Wine the folder stays). Only a
// process that outlives the copy can remove the folder, and one that runs no code from a
// folder anyone else could change: cmd.exe from the system folder.
#include <string_view>

#include "sys/own_copy.h"
#include "sys/result.h"

namespace vl {

// Copies the running program's image into `folder` (which must be new and private to this
// run: the copy loads from there) as `file_name` and starts it with `arguments` through cmd.exe
// as above, working in the system folder, with no window and no inherited handle. A failure
// removes the copied file again. "{path}: {system message}" on failure.
Status start_own_copy(std::string_view folder, std::string_view file_name,
                      std::string_view arguments);

}  // namespace vl
