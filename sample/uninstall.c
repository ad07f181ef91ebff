/* uninstall.exe of the sample payload: a stand-in for the product's uninstaller. It only exits
   with code 0; the installer carries it, registers it and can start it. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command_line, int show) {
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;
  return 0;
}
