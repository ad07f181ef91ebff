// The C++ runtime reports a broken container invariant (length, range, logic) and a failed
// thread or lock call through these helpers. Its own versions build std::logic_error and
// std::system_error, which bring the library's second string implementation, its locale-free
// printf and std::random_device along. These
// throw the same kinds of failure as exceptions the programs already catch (std::exception,
// std::bad_alloc): a worker still turns them into its one failure text, and an uncaught one
// still ends the process. Linked into the shipped programs only.
#include <exception>
#include <new>

namespace {

// An internal failure with the runtime's own text (a constant string).
class RuntimeFault : public std::exception {
 public:
  explicit RuntimeFault(const char* text) : text_(text) {}
  const char* what() const noexcept override { return text_; }

 private:
  const char* text_;
};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
void __throw_length_error(const char* text) { throw RuntimeFault(text); }
void __throw_logic_error(const char* text) { throw RuntimeFault(text); }
// The format's placeholders stay unfilled: the text names the call that failed.
void __throw_out_of_range_fmt(const char* format, ...) { throw RuntimeFault(format); }
void __throw_system_error(int) { throw RuntimeFault("a thread or lock call of the system failed"); }

}  // namespace std
