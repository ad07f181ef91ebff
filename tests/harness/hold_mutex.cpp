// Test helper: holds a named mutex (as a running installer would) until a line arrives on
// stdin or stdin closes. Prints "holding" once the mutex is owned.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fwprintf(stderr, L"usage: hold_mutex <name>\n");
    return 2;
  }
  HANDLE mutex = CreateMutexW(nullptr, TRUE, argv[1]);
  if (!mutex) {
    fwprintf(stderr, L"CreateMutexW failed: %lu\n", GetLastError());
    return 1;
  }
  printf("holding\n");
  fflush(stdout);
  char line[16];
  fgets(line, sizeof line, stdin);
  CloseHandle(mutex);
  return 0;
}
