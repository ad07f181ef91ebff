#pragma once
// The protection of an all-users install folder that exists before the run. (Win32.)
#include "install/install_job.h"
#include "sys/result.h"

namespace vl {

inline constexpr std::string_view TEXT_FOLDER_NOT_PROTECTED =
    "«{}» хавтсыг бусад хэрэглэгчдээс хамгаалж чадсангүй.\n{}";

// For an all-users job whose folder already exists: makes the folder and everything in it owned
// by Administrators and writable only by Administrators and SYSTEM (PROTECTED_FOLDER_SDDL, set
// on each entry through a handle opened without following reparse points), folder before its
// contents, so that once a folder is done no other user can add, rename or swap what is in it.
// A reparse point anywhere in the tree, or an entry whose owner or permissions cannot be set,
// stops the run with TEXT_FOLDER_NOT_PROTECTED (the entry and the system's text) before
// anything is written. Nothing for a per-user job or a folder that does not exist yet (its
// creation protects it).
Status protect_existing_install_folder(const InstallJob& job);

}  // namespace vl
