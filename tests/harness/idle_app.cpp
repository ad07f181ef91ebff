// A stand-in for a running application: stays alive for the milliseconds given as its only
// argument (default 30000), so that its executable file is in use, then exits with 0.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  DWORD ms = argc > 1 ? static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) : 30000;
  Sleep(ms);
  return 0;
}
