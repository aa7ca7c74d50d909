#pragma once

// The forms layer for Win32: it realises a FormDefinition as a top-level window with its
// controls, raises the definition's handlers, and runs the message loop. One window a
// definition; everything the window needs is attached to it and goes with it.

#include <windows.h>

#include "window/forms.h"

namespace sonabrix::forms::win32 {

// Creates the window and its controls, each measure turned into pixels at the window's DPI,
// raises the definition's on_load while the window is still hidden, then shows it with
// `show_command` (a SW_ value). The first text box in the tab order has the focus with its text
// selected. Returns null when the window cannot be made; the window lives until destroyed.
HWND LoadForm(const FormDefinition& definition, HINSTANCE instance, int show_command);

// The window of one of the form's controls, or null for a window LoadForm did not make.
HWND ControlWindow(HWND form, ControlId control);

// One message through the form's keyboard handling (Tab and Shift+Tab between the text boxes,
// Ctrl+A selecting all of a box) and on to its window.
void DispatchFormMessage(HWND form, MSG& message);

// Dispatches messages until the form's window is gone; returns the process's exit code.
int RunMessageLoop(HWND form);

// The life of a program of one window: LoadForm, then the loop. 1 when the window cannot be
// made.
int Run(const FormDefinition& definition, HINSTANCE instance, int show_command);

}  // namespace sonabrix::forms::win32
