#include <gtk/gtk.h>

#include <cstdio>

#include "window/module1.h"

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace sonabrix {

// On X11 the window manager keeps the window above others through its _NET_WM_STATE_ABOVE
// state, which GTK asks for: at once on a mapped window, or as the window's first state when it
// maps. Wayland lets no client ask for that, so the window stays ordinary there, and says so.
void SetAlwaysOnTop(forms::NativeHandle hWnd, bool OnTop) {
  if (!GTK_IS_WINDOW(hWnd)) {
    return;
  }
  GtkWindow* window = GTK_WINDOW(hWnd);
#ifdef GDK_WINDOWING_X11
  if (GDK_IS_X11_DISPLAY(gtk_widget_get_display(GTK_WIDGET(window)))) {
    gtk_window_set_keep_above(window, OnTop ? TRUE : FALSE);
    return;
  }
#endif
  static bool told = false;
  if (OnTop && !told) {
    told = true;
    std::fputs(
        "Sonabrix cannot keep its window above others here, since only an X11 display lets a "
        "program ask for that, so it runs as an ordinary window.\n",
        stderr);
  }
}

}  // namespace sonabrix
