// The shipped programs are built without C++ exceptions. The C++ runtime still reports a broken
// container invariant (length, range, logic), a failed thread or lock call and an empty
// std::function through these helpers; its own versions throw, which would bring in the
// unwinder, and build std::logic_error and std::system_error, which bring the library's second
// string implementation and its locale-free printf. These end the process through the fatal
// path with the runtime's own text instead. Linked into the shipped programs only.
#include <windows.h>

#include <cstdarg>

#include "sys/fatal_error_win.h"
#include "sys/runtime_message.h"

namespace std {

void __throw_bad_alloc() { vl::fatal_error("out of memory", E_OUTOFMEMORY); }
void __throw_bad_array_new_length() { vl::fatal_error("bad array new length", E_OUTOFMEMORY); }
void __throw_length_error(const char* text) { vl::fatal_error(text, E_UNEXPECTED); }
void __throw_logic_error(const char* text) { vl::fatal_error(text, E_UNEXPECTED); }
// The text names the call that failed and the index it was given, filled in on the stack.
void __throw_out_of_range_fmt(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  vl::format_runtime_message(text, sizeof text, format, args);
  va_end(args);
  vl::fatal_error(text, E_UNEXPECTED);
}
void __throw_system_error(int) {
  vl::fatal_error("a thread or lock call of the system failed", E_UNEXPECTED);
}
void __throw_bad_function_call() { vl::fatal_error("bad function call", E_UNEXPECTED); }

}  // namespace std
