#include "sys/runtime_message.h"

namespace vl {

namespace {

class Cursor {
 public:
  Cursor(char* out, size_t capacity) : out_(out), capacity_(capacity) {}
  void put(char c) {
    if (used_ + 1 < capacity_) out_[used_++] = c;
  }
  void put(const char* text) {
    for (; *text != '\0'; ++text) put(*text);
  }
  void put_decimal(unsigned long long value, bool negative) {
    char digits[24];
    size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    if (negative) put('-');
    while (count > 0) put(digits[--count]);
  }
  size_t finish() {
    if (capacity_ > 0) out_[used_] = '\0';
    return used_;
  }

 private:
  char* out_;
  size_t capacity_;
  size_t used_ = 0;
};

}  // namespace

size_t format_runtime_message(char* out, size_t capacity, const char* format, va_list args) {
  Cursor cursor(out, capacity);
  for (const char* at = format; *at != '\0'; ++at) {
    if (*at != '%') {
      cursor.put(*at);
      continue;
    }
    if (at[1] == '%') {
      cursor.put('%');
      ++at;
    } else if (at[1] == 's') {
      const char* text = va_arg(args, const char*);
      cursor.put(text != nullptr ? text : "(null)");
      ++at;
    } else if (at[1] == 'd') {
      const int value = va_arg(args, int);
      // The magnitude in unsigned arithmetic: INT_MIN has no positive int.
      const unsigned long long magnitude =
          value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned>(value);
      cursor.put_decimal(magnitude, value < 0);
      ++at;
    } else if ((at[1] == 'z' || at[1] == 'l') && at[2] == 'u') {
      cursor.put_decimal(at[1] == 'z' ? va_arg(args, size_t) : va_arg(args, unsigned long), false);
      at += 2;
    } else {
      cursor.put('%');
    }
  }
  return cursor.finish();
}

}  // namespace vl
