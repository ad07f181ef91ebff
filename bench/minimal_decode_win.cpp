// The reference: the least a program can do to turn the payload blob into files with the
// same liblzma. It maps the blob, decodes the stream with one decoder and writes each entry
// straight to its final name (no ".vl-new", no replacement, no checks beyond the format).
//
//   bench_minimal_decode BLOB OUTDIR [--flush]
//
// --flush: each file is flushed to disk before it is closed, as the installer does.
#include <windows.h>
#include <psapi.h>
#include <lzma.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Decoder {
  lzma_stream stream = LZMA_STREAM_INIT;
  const uint8_t* input;
  size_t input_left;
  bool ended = false;

  // Fills `out` completely unless the stream ends; returns the bytes produced.
  size_t read(uint8_t* out, size_t size) {
    stream.next_out = out;
    stream.avail_out = size;
    while (stream.avail_out > 0 && !ended) {
      if (stream.avail_in == 0 && input_left > 0) {
        size_t n = input_left < (1u << 16) ? input_left : (1u << 16);
        stream.next_in = input;
        stream.avail_in = n;
        input += n;
        input_left -= n;
      }
      lzma_ret ret = lzma_code(&stream, input_left == 0 && stream.avail_in == 0 ? LZMA_FINISH : LZMA_RUN);
      if (ret == LZMA_STREAM_END) ended = true;
      else if (ret != LZMA_OK) return SIZE_MAX;
    }
    return size - stream.avail_out;
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 4) return 2;
  const bool flush = argc == 4 && std::wstring(argv[3]) == L"--flush";
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);

  HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER size{};
  if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size)) return 1;
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  const uint8_t* blob = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  if (!blob) return 1;
  uint32_t count;
  memcpy(&count, blob + 16, 4);

  Decoder d;
  d.input = blob + 20;
  d.input_left = static_cast<size_t>(size.QuadPart) - 20;
  if (lzma_stream_decoder(&d.stream, UINT64_MAX, 0) != LZMA_OK) return 1;
  std::wstring dir = argv[2];
  CreateDirectoryW(dir.c_str(), nullptr);
  std::vector<uint8_t> buffer(1 << 18);
  for (uint32_t i = 0; i < count; ++i) {
    uint16_t name_length;
    uint64_t data_size;
    if (d.read(reinterpret_cast<uint8_t*>(&name_length), 2) != 2) return 1;
    std::string name(name_length, '\0');
    if (d.read(reinterpret_cast<uint8_t*>(name.data()), name_length) != name_length) return 1;
    if (d.read(reinterpret_cast<uint8_t*>(&data_size), 8) != 8) return 1;
    int wide_length = MultiByteToWideChar(CP_UTF8, 0, name.data(), name_length, nullptr, 0);
    std::wstring wide(wide_length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name.data(), name_length, wide.data(), wide_length);
    HANDLE out = CreateFileW((dir + L"\\" + wide).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 1;
    while (data_size > 0) {
      size_t want = data_size < buffer.size() ? static_cast<size_t>(data_size) : buffer.size();
      size_t got = d.read(buffer.data(), want);
      if (got != want) return 1;
      DWORD written;
      WriteFile(out, buffer.data(), static_cast<DWORD>(got), &written, nullptr);
      data_size -= got;
    }
    if (flush) FlushFileBuffers(out);
    CloseHandle(out);
  }
  lzma_end(&d.stream);
  QueryPerformanceCounter(&end);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](FILETIME t) { return (uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
  std::printf("minimal_decode %.4f s, %u files, peak working set %zu KiB, cpu %.4f s\n",
              double(end.QuadPart - start.QuadPart) / frequency.QuadPart, count,
              static_cast<size_t>(memory.PeakWorkingSetSize / 1024), value(kernel) + value(user));
  return 0;
}
