// Sonabrix.exe: the converter window is the whole program.

#include <windows.h>

#include <cstdlib>

#include "window/form1.h"
#include "window/win32/forms_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  return sonabrix::forms::win32::Run(sonabrix::Form1, instance, show_command);
}

// The C++ runtime ends a program that fails unrecoverably through this handler, whose default
// prints the failure, demangled, to a standard error stream that a GUI program does not have.
// Its demangler is a sixth of the exe's code; ending at once tells the user just as much.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx
