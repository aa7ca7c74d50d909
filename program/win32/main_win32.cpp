// Sonabrix.exe: the converter window is the whole program.

#include <windows.h>

#include "window/form1.h"
#include "window/win32/forms_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  return sonabrix::forms::win32::Run(sonabrix::Form1, instance, show_command);
}
