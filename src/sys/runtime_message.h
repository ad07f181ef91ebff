#pragma once
// The C++ runtime's failure texts come as printf formats with their values apart
// ("%s: __n (which is %zu) >= this->size() (which is %zu)"). The fatal path shows them filled in,
// without the C library's printf (whose locale machinery the shipped programs leave out) and
// without allocating (the heap may be what failed).
#include <cstdarg>
#include <cstddef>

namespace vl {

// Writes `format` into `out` (at most `capacity` bytes, terminator included) with the runtime's
// conversions filled from `args`: %s (a C string; "(null)" for none), %zu (size_t), %lu
// (unsigned long), %d (int) and %%. Any other conversion is copied as written, taking no value.
// A text too long is cut. Returns the length written, terminator not counted.
size_t format_runtime_message(char* out, size_t capacity, const char* format, va_list args);

}  // namespace vl
