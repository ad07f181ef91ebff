// Starts a program the way the installer starts the installed application:
//   launch_driver.exe <program> [argument text…]
// The argument text is everything after the program, as one text.
#include <windows.h>

#include <string>

#include "sys/com_win.h"
#include "sys/program_launch_win.h"
#include "sys/text_win.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 64;
  vl::ComApartment com;
  std::string arguments;
  for (int i = 2; i < argc; ++i) {
    if (i > 2) arguments += ' ';
    arguments += vl::from_wide(argv[i]).value_or("");
  }
  vl::launch_application(vl::from_wide(argv[1]).value_or(""), arguments);
  return 0;
}
