#include "install/folder_protection_win.h"

#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "install/folder_protection.h"
#include "sys/paths.h"
#include "sys/security_win.h"
#include "sys/text.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

namespace {

// ERROR_REPARSE_POINT_ENCOUNTERED, which mingw-w64's headers lack.
constexpr DWORD REPARSE_POINT_ENCOUNTERED = 4395;

struct Protection {
  PSID owner = nullptr;
  PACL dacl = nullptr;
};

Status refused(std::string_view path, DWORD error) {
  return fail(format_text(TEXT_FOLDER_NOT_PROTECTED, {path, system_message(error)}));
}

// Opens `path` itself, never what a reparse point leads to, shared for reading and writing but
// not for deletion: while it is held nobody renames or deletes it, nor a folder above it.
Result<UniqueHandle> open_entry(const std::string& path) {
  // FILE_READ_DATA (a folder's listing) is what makes the missing delete sharing count.
  UniqueHandle entry(
      CreateFileW(to_wide(path).c_str(),
                  FILE_READ_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!entry) return refused(path, GetLastError()).failure();
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(entry.get(), &info))
    return refused(path, GetLastError()).failure();
  // The path's own attributes too: a file system that follows a link even when asked not to
  // (Wine with a Unix link) still shows the reparse point there.
  const DWORD by_path = GetFileAttributesW(to_wide(path).c_str());
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      (by_path != INVALID_FILE_ATTRIBUTES && (by_path & FILE_ATTRIBUTE_REPARSE_POINT)))
    return refused(path, REPARSE_POINT_ENCOUNTERED).failure();
  return entry;
}

// Protects the entry at `path`, then (a folder) what it holds, depth first.
Status protect_tree(const std::string& path, const Protection& protection) {
  Result<UniqueHandle> entry = open_entry(path);
  if (!entry) return entry.failure();
  // The permissions first, then the owner, each its own call: a failure names which entry.
  for (const SECURITY_INFORMATION part :
       {DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
        static_cast<DWORD>(OWNER_SECURITY_INFORMATION)}) {
    const DWORD set = SetSecurityInfo(entry->get(), SE_FILE_OBJECT, part, protection.owner, nullptr,
                                      protection.dacl, nullptr);
    if (set != ERROR_SUCCESS) return refused(path, set);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  GetFileInformationByHandle(entry->get(), &info);
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return Status::success();

  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  UniqueFindHandle search(FindFirstFileExW(to_wide(join_path(path, "*")).c_str(), FindExInfoBasic,
                                           &found, FindExSearchNameMatch, nullptr, 0));
  if (!search) return refused(path, GetLastError());
  do {
    std::optional<std::string> name = from_wide(found.cFileName);
    if (!name) return refused(path, ERROR_INVALID_NAME);
    if (*name != "." && *name != "..") names.push_back(std::move(*name));
  } while (FindNextFileW(search.get(), &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) return refused(path, GetLastError());
  search.reset();
  for (const std::string& name : names) {
    if (Status done = protect_tree(join_path(path, name), protection); !done) return done;
  }
  return Status::success();
}

}  // namespace

Status protect_existing_install_folder(const InstallJob& job) {
  if (job.scope != InstallScope::AllUsers) return Status::success();
  const DWORD attributes = GetFileAttributesW(to_wide(job.install_dir).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Status::success();  // created protected
  // Owned by Administrators: an owner may always rewrite the permissions, whatever they say.
  Result<UniqueSecurityDescriptor> descriptor =
      security_descriptor_from_sddl("O:BA" + std::string(PROTECTED_FOLDER_SDDL));
  Protection protection;
  BOOL present = FALSE, defaulted = FALSE;
  if (!descriptor ||
      !GetSecurityDescriptorOwner(descriptor->get(), &protection.owner, &defaulted) ||
      !GetSecurityDescriptorDacl(descriptor->get(), &present, &protection.dacl, &defaulted)) {
    return refused(job.install_dir, ERROR_INVALID_SECURITY_DESCR);
  }
  return protect_tree(job.install_dir, protection);
}

}  // namespace vl
