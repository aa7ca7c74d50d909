#include "tests/window/gtk/x_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

#include <algorithm>

namespace sonabrix::forms {

void PressKey(guint keyval, std::initializer_list<guint> modifiers) {
  Display* display = gdk_x11_get_default_xdisplay();
  auto send = [display](guint key, bool press) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), press ? True : False, CurrentTime);
  };
  for (guint modifier : modifiers) {
    send(modifier, true);
  }
  send(keyval, true);
  send(keyval, false);
  for (guint modifier : modifiers) {
    send(modifier, false);
  }
  XFlush(display);
}

bool HasAboveState(GdkWindow* window) {
  Display* display = GDK_WINDOW_XDISPLAY(window);
  Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  Atom above = XInternAtom(display, "_NET_WM_STATE_ABOVE", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long left = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(display, GDK_WINDOW_XID(window), state, 0, 64, False, XA_ATOM, &type,
                         &format, &count, &left, &data) == Success &&
      data != nullptr) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    found = std::find(atoms, atoms + count, above) != atoms + count;
    XFree(data);
  }
  return found;
}

}  // namespace sonabrix::forms
