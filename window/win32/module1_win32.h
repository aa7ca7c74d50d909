#pragma once

// The Win32 side of SetAlwaysOnTop (window/module1.h), and the seam through which a test sees
// the one call it makes.

#include <windows.h>

namespace sonabrix::win32 {

using SetWindowPosFunction = BOOL(WINAPI*)(HWND, HWND, int, int, int, int, UINT);

// From now on SetAlwaysOnTop calls `stand_in` where it would call SetWindowPos; null gives the
// real function back. The binding by name still happens on the first call, as without it.
void ReplaceSetWindowPos(SetWindowPosFunction stand_in);

}  // namespace sonabrix::win32
