#include "payload/embedded_payload_win.h"

#include <string>
#include <vector>

#include "sys/rcdata_win.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

namespace vl {

namespace {

// Where the file holds the image's bytes at `rva`, `size` of them in one section; 0 when no
// section's file data holds them all.
uint64_t file_offset_of(HMODULE module, uintptr_t rva, uint64_t size) {
  const auto* base = reinterpret_cast<const uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    const uint64_t start = section->VirtualAddress;
    if (rva >= start && rva - start + size <= section->SizeOfRawData)
      return section->PointerToRawData + (rva - start);
  }
  return 0;
}

}  // namespace

std::span<const uint8_t> find_embedded_payload(HMODULE module) { return find_rcdata(module, L"PAYLOAD"); }

std::span<const uint8_t> find_embedded_payload_digest(HMODULE module) {
  return find_rcdata(module, L"PAYLOAD_SHA256");
}

Result<std::unique_ptr<PayloadSource>> open_embedded_payload_file(std::span<const uint8_t> blob,
                                                                  bool recheck_chunks) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  std::vector<wchar_t> path(32768);
  const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return fail(last_error_text("the installer's own path"));
  auto file = std::make_shared<UniqueHandle>(
      ::CreateFileW(path.data(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file->valid()) return fail(last_error_text("the installer's own file"));
  const uint64_t offset =
      file_offset_of(module, reinterpret_cast<uintptr_t>(blob.data()) - reinterpret_cast<uintptr_t>(module),
                     blob.size());
  LARGE_INTEGER file_size{};
  if (offset == 0 || !::GetFileSizeEx(file->get(), &file_size) ||
      static_cast<uint64_t>(file_size.QuadPart) < offset + blob.size()) {
    return fail("the installer's own file does not hold its image's payload");
  }
  // Positional reads: the decoding threads read at once through the one handle.
  auto read_at = [file, offset](uint64_t at, std::span<uint8_t> out) -> Status {
    while (!out.empty()) {
      OVERLAPPED where{};
      where.Offset = static_cast<DWORD>(offset + at);
      where.OffsetHigh = static_cast<DWORD>((offset + at) >> 32);
      DWORD got = 0;
      if (!::ReadFile(file->get(), out.data(), static_cast<DWORD>(out.size()), &got, &where))
        return fail(last_error_text("reading the installer's own file"));
      if (got == 0) return fail("the installer's own file ended early");
      out = out.subspan(got);
      at += got;
    }
    return Status::success();
  };
  return std::make_unique<PayloadSource>(std::move(read_at), blob.size(), recheck_chunks);
}

}  // namespace vl
