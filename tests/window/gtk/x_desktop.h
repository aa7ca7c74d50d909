#pragma once

// What the window tests do through Xlib itself, kept apart because Xlib's macros (None, Bool,
// Status) collide with GoogleTest's names.

#include <gtk/gtk.h>

#include <initializer_list>

namespace sonabrix::forms {

// Presses and releases `keyval` through the X server's test extension, as a keyboard does, with
// the modifier keys held down around it. GDK's key values are X's keysyms.
void PressKey(guint keyval, std::initializer_list<guint> modifiers = {});

// Whether the window manager's _NET_WM_STATE on the window holds _NET_WM_STATE_ABOVE, read from
// the property: GDK's own copy of the state misses the state's removal.
bool HasAboveState(GdkWindow* window);

}  // namespace sonabrix::forms
