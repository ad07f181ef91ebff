#pragma once
// The protection of an all-users install folder. Inside Program Files a new folder inherits
// that folder's protection. Elsewhere (a folder chosen with /D= or in the wizard, such as
// D:\Apps\Verilune) it would inherit the drive's, which commonly lets every user create and
// change files: one user could then replace binaries that another user or an administrator
// runs. There the folders the installer creates get Program Files' rules instead, with
// inheritance from above cut.
//
// An elevated run also decides, before it writes anything, which folder it may install into at
// all: every folder above it must be one that only administrators can change (or one of the
// system's own, such as Program Files and the drive they are on), since whoever may rename or
// rewrite a folder above could later swap the installation for their own; and the folder
// itself must be new, this product's own, the earlier MSI installation's, empty, or one that
// only administrators can change already. Nothing that exists is given new permissions but an
// empty folder: rewriting another's tree would take it from its owner for good.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "product/product.h"

namespace vl {

// Administrators and SYSTEM: full control; Users: read and execute; both passed on to every
// folder and file below; the parent's entries not inherited (a protected DACL).
inline constexpr std::string_view PROTECTED_FOLDER_SDDL =
    "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

inline constexpr std::string_view TEXT_FOLDER_REFUSED =
    "«{}» хавтсанд бүх хэрэглэгчид суулгах боломжгүй: {}\nШинэ хавтас эсвэл Program Files "
    "доторх хавтас сонгоно уу.";
inline constexpr std::string_view REFUSAL_ROOT = "энэ нь дискийн үндсэн хавтас.";
inline constexpr std::string_view REFUSAL_SYSTEM = "энэ нь системийн эсвэл хэрэглэгчийн хавтас.";
inline constexpr std::string_view REFUSAL_NOT_A_FOLDER = "энэ нь хавтас биш.";
inline constexpr std::string_view REFUSAL_LINK = "зам дээр холбоос (junction) байна.";
inline constexpr std::string_view REFUSAL_PARENT = "«{}» хавтсыг админ бус хэрэглэгч өөрчилж чадна.";
inline constexpr std::string_view REFUSAL_FOREIGN =
    "хавтас хоосон биш бөгөөд админ бус хэрэглэгч өөрчилж чадна.";

// Whether the folders created for `install_dir` (a full path, "." and ".." resolved) get
// PROTECTED_FOLDER_SDDL: an all-users install whose folder is none of `program_files` and lies
// inside none of them (is_inside_any_separators; empty entries contain nothing).
bool protects_new_folders(InstallScope scope, std::string_view install_dir,
                          std::span<const std::string> program_files);

// One access entry of a folder's descriptor as the rules read it: the trustee's SID in text
// form ("S-1-5-32-544"), the rights (generic rights mapped to file rights) and flags.
struct AccessEntry {
  std::string sid;
  uint32_t mask = 0;
  bool allows = true;        // an allow entry (deny entries only take rights away)
  bool inherit_only = false;  // passed on below, not applied to the folder itself
};
struct FolderSecurity {
  std::string owner;  // SID text; empty when unknown
  std::vector<AccessEntry> entries;
  bool has_dacl = true;  // a missing DACL grants everyone everything
};

// SIDs that count as administrators: SYSTEM, Administrators, TrustedInstaller.
bool is_administrator_sid(std::string_view sid);

// Whether only administrators can change the folder: owned by an administrator SID (an owner
// may always rewrite the permissions), and no allow entry that applies to the folder itself
// gives any other SID a right to add files, delete what it holds, delete or rename it, or
// rewrite its permissions or owner.
bool only_administrators_change(const FolderSecurity& security);

// A drive root ("C:\", "\\server\share\") or a volume name.
bool is_volume_root(std::string_view full_path);

// Whether `full_path` is one of `system_folders` (Windows, Program Files, ProgramData, the
// profiles' folder, Public, the user's profile…), or lies inside one of `no_install_below`
// (the Windows folder, the user's profile).
bool is_system_folder(std::string_view full_path, std::span<const std::string> system_folders,
                      std::span<const std::string> no_install_below);

// Whether a folder on the way to the install folder may be taken on trust without reading its
// permissions: one of `trusted` (Program Files, Windows), or a folder above one of them (the
// system's drive root).
bool is_trusted_ancestor(std::string_view full_path, std::span<const std::string> trusted);

}  // namespace vl
