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

// Adds the time from its making to the end of its scope to the sum under `name` (a string
// literal), so that a timed stretch of code carries this one line.
class Timed {
 public:
  explicit Timed(const char* name) : name_(name), since_(now()) {}
  ~Timed() { add(name_, since_); }
  Timed(const Timed&) = delete;
  Timed& operator=(const Timed&) = delete;

 private:
  const char* name_;
  uint64_t since_;
};

// The value of `work()`, with its time added to the sum under `name`.
template <typename F>
auto timed(const char* name, F&& work) {
  Timed timing(name);
  return work();
}
#else
inline uint64_t now() { return 0; }
inline void mark(const char*) {}
inline void add(const char*, uint64_t) {}
inline void write_report() {}

class Timed {
 public:
  explicit Timed(const char*) {}
  Timed(const Timed&) = delete;
  Timed& operator=(const Timed&) = delete;
};

template <typename F>
auto timed(const char*, F&& work) {
  return work();
}
#endif

}  // namespace vl::phase
