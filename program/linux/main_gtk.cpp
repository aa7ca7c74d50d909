// sonabrix: the converter window on GTK 3. The program takes no arguments and reads no settings.

#include "program/linux/program_icon.h"
#include "window/form1.h"
#include "window/gtk/forms_gtk.h"

int main() {
  return sonabrix::forms::Run(sonabrix::Form1, SONABRIX_APP_ID, sonabrix::ProgramIcon());
}
