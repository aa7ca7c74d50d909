// The floor for a GTK 3 program: one window with one label, nothing else. The start-up
// benchmark measures it beside sonabrix.

#include <gtk/gtk.h>

int main() {
  gtk_init(nullptr, nullptr);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "Minimal");
  gtk_container_add(GTK_CONTAINER(window), gtk_label_new("Minimal"));
  g_signal_connect(window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer) { gtk_main_quit(); }),
                   nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
