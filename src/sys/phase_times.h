#pragma once
// Where the time of a run goes, for the benchmark only. An installer built with VL_PHASE_TIMES
// records named points in time and summed durations and, when the process ends, writes them
// to the file the environment variable VL_PHASE_TIMES_FILE names (bench/run-install-bench
// reads it). In every other build these calls are empty inline functions: the shipped
// program pays nothing and reads no environment variable.
#include <cstdint>

namespace vl::phase {

#ifdef VL_PHASE_TIMES
// A tick count for add().
uint64_t now();
// The time since the process was created, under `name` (a string literal).
void mark(const char* name);
// Adds now() - since to the duration summed under `name`; any thread may call it.
void add(const char* name, uint64_t since);
// Writes every mark and sum (one "mark|sum NAME SECONDS" line each) to the file.
void write_report();
#else
inline uint64_t now() { return 0; }
inline void mark(const char*) {}
inline void add(const char*, uint64_t) {}
inline void write_report() {}
#endif

}  // namespace vl::phase
