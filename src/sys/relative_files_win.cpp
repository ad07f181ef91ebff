#include "sys/relative_files_win.h"

#include <winternl.h>

#include <vector>

#include "sys/system_dll_win.h"

namespace vl {
namespace {

// ntdll's file calls, which take a name relative to a handle; ntdll is in every process.
using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                        PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                        ULONG, PVOID, ULONG);
using NtSetInformationFileFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                FILE_INFORMATION_CLASS);
using NtQueryAttributesFileFn = NTSTATUS(NTAPI*)(POBJECT_ATTRIBUTES, PVOID);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(NTSTATUS);

struct Ntdll {
  NtCreateFileFn create_file;
  NtSetInformationFileFn set_information;
  NtQueryAttributesFileFn query_attributes;
  RtlNtStatusToDosErrorFn to_dos_error;
};

const Ntdll& ntdll() {
  static const Ntdll calls = [] {
    HMODULE module = GetModuleHandleW(L"ntdll.dll");
    return Ntdll{find_proc<NtCreateFileFn>(module, "NtCreateFile"),
                 find_proc<NtSetInformationFileFn>(module, "NtSetInformationFile"),
                 find_proc<NtQueryAttributesFileFn>(module, "NtQueryAttributesFile"),
                 find_proc<RtlNtStatusToDosErrorFn>(module, "RtlNtStatusToDosError")};
  }();
  return calls;
}

DWORD dos_error(NTSTATUS status) {
  return ntdll().to_dos_error ? ntdll().to_dos_error(status) : ERROR_GEN_FAILURE;
}

bool is_one_component(std::wstring_view name) {
  return !name.empty() && name != L"." && name != L".." &&
         name.find_first_of(L"\\/") == std::wstring_view::npos && name.size() < 32768;
}

// The name as the object manager takes it, relative to `folder`.
struct RelativeName {
  UNICODE_STRING text{};
  OBJECT_ATTRIBUTES attributes{};
  RelativeName(HANDLE folder, std::wstring_view name, PSECURITY_DESCRIPTOR security = nullptr) {
    text.Buffer = const_cast<wchar_t*>(name.data());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, security);
  }
};

// FILE_BASIC_INFORMATION, which mingw-w64's winternl.h lacks.
struct BasicInformation {
  LARGE_INTEGER creation, last_access, last_write, change;
  ULONG attributes;
};

constexpr ULONG NON_DIRECTORY_FILE = 0x00000040;  // FILE_NON_DIRECTORY_FILE
constexpr ULONG CREATED = 2;                      // IO_STATUS_BLOCK.Information: FILE_CREATED

}  // namespace

DWORD attributes_below(HANDLE folder, std::wstring_view name) {
  if (!is_one_component(name) || !ntdll().query_attributes) return INVALID_FILE_ATTRIBUTES;
  RelativeName relative(folder, name);
  BasicInformation basic{};
  if (!NT_SUCCESS(ntdll().query_attributes(&relative.attributes, &basic)))
    return INVALID_FILE_ATTRIBUTES;
  return basic.attributes;
}

BelowEntry open_below(HANDLE folder, std::wstring_view name, const BelowOpen& how) {
  BelowEntry entry;
  if (!is_one_component(name)) {
    entry.error = ERROR_INVALID_NAME;
    return entry;
  }
  if (!ntdll().create_file) {
    entry.error = ERROR_PROC_NOT_FOUND;
    return entry;
  }
  RelativeName relative(folder, name, how.security);
  ULONG disposition = FILE_OPEN;
  if (how.disposition == Disposition::CreateNew) disposition = FILE_CREATE;
  if (how.disposition == Disposition::OpenOrCreate) disposition = FILE_OPEN_IF;
  ULONG options = FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT |
                  (how.kind == EntryKind::Folder ? FILE_DIRECTORY_FILE : NON_DIRECTORY_FILE);
  IO_STATUS_BLOCK io{};
  HANDLE opened = nullptr;
  NTSTATUS status = ntdll().create_file(
      &opened, how.access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &relative.attributes, &io,
      nullptr, FILE_ATTRIBUTE_NORMAL, how.share, disposition, options, nullptr, 0);
  if (!NT_SUCCESS(status)) {
    entry.error = dos_error(status);
    return entry;
  }
  entry.handle.reset(opened);
  entry.created = io.Information == CREATED;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(opened, &info)) {
    entry.error = GetLastError();
    entry.handle.reset();
    return entry;
  }
  entry.attributes = info.dwFileAttributes;
  const DWORD by_name = attributes_below(folder, name);
  if (by_name != INVALID_FILE_ATTRIBUTES) entry.attributes |= by_name & FILE_ATTRIBUTE_REPARSE_POINT;
  return entry;
}

DWORD rename_below(HANDLE entry, HANDLE folder, std::wstring_view name, bool replace) {
  if (!is_one_component(name)) return ERROR_INVALID_NAME;
  if (!ntdll().set_information) return ERROR_PROC_NOT_FOUND;
  // The record with the name after it, aligned for the handle it holds.
  std::vector<ULONG_PTR> buffer(
      (sizeof(FILE_RENAME_INFORMATION) + name.size() * sizeof(wchar_t)) / sizeof(ULONG_PTR) + 1);
  auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = folder;
  rename->FileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
  std::copy(name.begin(), name.end(), rename->FileName);
  IO_STATUS_BLOCK io{};
  NTSTATUS status = ntdll().set_information(entry, &io, rename,
                                            static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)),
                                            static_cast<FILE_INFORMATION_CLASS>(10));  // rename
  return NT_SUCCESS(status) ? ERROR_SUCCESS : dos_error(status);
}

}  // namespace vl
