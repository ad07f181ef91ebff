#include "sys/phase_times.h"

#ifdef VL_PHASE_TIMES

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "sys/threads.h"

namespace vl::phase {

namespace {

struct Entry {
  const char* name;
  bool is_sum;
  uint64_t ticks;
};

double seconds(uint64_t ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// The performance counter's reading when the process was created: now minus the time since
// the creation (file times are in units of 100 ns).
uint64_t read_creation_ticks() {
  FILETIME created, exited, kernel, user, system_now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimeAsFileTime(&system_now);
  uint64_t now_ticks = now();
  auto to64 = [](FILETIME t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
  double since = static_cast<double>(to64(system_now) - to64(created)) / 1e7;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return now_ticks - static_cast<uint64_t>(since * static_cast<double>(frequency.QuadPart));
}

// At namespace scope, set before main runs: the programs are built without guards for
// function-local statics, and any thread may record.
Mutex g_lock;
std::vector<Entry> g_entries;
const uint64_t g_creation_ticks = read_creation_ticks();

}  // namespace

uint64_t now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<uint64_t>(counter.QuadPart);
}

void mark(const char* name) {
  uint64_t at = now() - g_creation_ticks;
  LockGuard guard(g_lock);
  g_entries.push_back({name, false, at});
}

void add(const char* name, uint64_t since) {
  uint64_t ticks = now() - since;
  LockGuard guard(g_lock);
  for (Entry& entry : g_entries) {
    if (entry.is_sum && std::strcmp(entry.name, name) == 0) {
      entry.ticks += ticks;
      return;
    }
  }
  g_entries.push_back({name, true, ticks});
}

void write_report() {
  mark("exit");
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"VL_PHASE_TIMES_FILE", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  FILE* file = _wfopen(path, L"a");
  if (!file) return;
  LockGuard guard(g_lock);
  for (const Entry& entry : g_entries) {
    std::fprintf(file, "%s %s %.6f\n", entry.is_sum ? "sum" : "mark", entry.name, seconds(entry.ticks));
  }
  std::fclose(file);
}

}  // namespace vl::phase

#endif  // VL_PHASE_TIMES
