// The sonabrix program with a hook for the stacking test, built for the tests only: SIGUSR1
// calls SetAlwaysOnTop(false) on the window and SIGUSR2 SetAlwaysOnTop(true), so that a test
// outside the process can see what the window manager makes of each call. The product itself
// reacts to no signal.

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>
#include <cstdlib>

#include "program/linux/program_icon.h"
#include "window/form1.h"
#include "window/gtk/forms_gtk.h"
#include "window/module1.h"

namespace {

template <bool OnTop>
gboolean OnSignal(gpointer form) {
  sonabrix::SetAlwaysOnTop(static_cast<sonabrix::forms::GtkForm*>(form)->WindowHandle(), OnTop);
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main() {
  sonabrix::forms::PreferStackingBackend();
  if (!gtk_init_check(nullptr, nullptr)) {
    return EXIT_FAILURE;
  }
  sonabrix::forms::GtkForm form(sonabrix::Form1);
  form.SetIcon(sonabrix::ProgramIcon());
  g_signal_connect(form.Window(), "destroy",
                   G_CALLBACK(+[](GtkWidget*, gpointer) { gtk_main_quit(); }), nullptr);
  g_unix_signal_add(SIGUSR1, OnSignal<false>, &form);
  g_unix_signal_add(SIGUSR2, OnSignal<true>, &form);
  form.Load();
  gtk_main();
  return EXIT_SUCCESS;
}
