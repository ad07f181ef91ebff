// Stand-in for the predecessor client's two programs (the test MSI installs it as
// Osmira.Security.KeyClient.exe and Osmira.Security.KeyStarter.exe): it stays running, without
// any window, until it is terminated.
#include <windows.h>

int wmain() {
  for (;;) Sleep(INFINITE);
}
