// The installer's CopyFiles step on a payload blob, timed in-process: the blob is mapped
// read-only (as the embedded resource is), then every entry is placed in OUTDIR through
// ".vl-new" files and the replacement protocol.
//
//   bench_copy_files BLOB OUTDIR
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "install/file_placement_win.h"
#include "install/install_job.h"
#include "sys/text_win.h"
#include "sys/unique_handle_win.h"

// User and kernel time of this process so far.
double cpu_seconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](FILETIME t) { return (uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
  return value(kernel) + value(user);
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_copy_files BLOB OUTDIR\n");
    return 2;
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);

  vl::UniqueHandle file(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) return 1;
  vl::UniqueHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  const void* view = mapping ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
  if (!view) return 1;
  std::span<const uint8_t> blob(static_cast<const uint8_t*>(view), static_cast<size_t>(size.QuadPart));

  vl::Result<vl::Payload> payload = vl::check_payload_header(blob);
  if (!payload) return 1;
  vl::InstallJob job;
  job.install_dir = vl::from_wide(argv[2]).value();
  vl::Result<std::unique_ptr<vl::InstallFolder>> folder = vl::open_install_folder(job);
  if (!folder) return 1;
  vl::SilentProgressSink sink;
  std::vector<vl::InstallStep> steps{vl::InstallStep::Prepare, vl::InstallStep::CopyFiles,
                                     vl::InstallStep::Register};
  vl::StepProgress progress(sink, steps, vl::InstallStep::CopyFiles);
  std::vector<std::string> installed;
  vl::Status copied = vl::copy_payload_files(job, **folder, *payload, progress, installed);
  QueryPerformanceCounter(&end);
  if (!copied) {
    std::fprintf(stderr, "%s\n", copied.error().c_str());
    return 1;
  }
  UnmapViewOfFile(view);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("copy_files %.4f s, %zu files, peak working set %zu KiB, cpu %.4f s\n",
              double(end.QuadPart - start.QuadPart) / frequency.QuadPart, installed.size(),
              static_cast<size_t>(memory.PeakWorkingSetSize / 1024), cpu_seconds());
  return 0;
}
