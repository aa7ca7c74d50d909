#include "window/win32/module1_win32.h"

#include "window/module1.h"

namespace sonabrix {
namespace {

// Bound by name on the first call, as the platform declaration asks; user32 is a known DLL, so
// the name cannot be planted from the program's own folder.
win32::SetWindowPosFunction set_window_pos = nullptr;
bool set_window_pos_bound = false;
win32::SetWindowPosFunction stand_in = nullptr;

win32::SetWindowPosFunction BindSetWindowPos() {
  HMODULE user32 = LoadLibraryW(L"user32.dll");
  if (user32 == nullptr)
    return nullptr;
  // GetProcAddress returns a generic function pointer; going through void (*)() is the cast
  // that C++ compilers accept between unrelated function types without a warning.
  auto generic = reinterpret_cast<void (*)()>(GetProcAddress(user32, "SetWindowPos"));
  return reinterpret_cast<win32::SetWindowPosFunction>(generic);
}

}  // namespace

void win32::ReplaceSetWindowPos(SetWindowPosFunction replacement) {
  stand_in = replacement;
}

void SetAlwaysOnTop(forms::NativeHandle hWnd, bool OnTop) {
  if (!set_window_pos_bound) {
    set_window_pos = BindSetWindowPos();
    set_window_pos_bound = true;
  }
  win32::SetWindowPosFunction call = stand_in != nullptr ? stand_in : set_window_pos;
  if (call == nullptr)
    return;
  // The outcome is not examined: on failure the window keeps its place in the stacking order.
  call(static_cast<HWND>(hWnd), OnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
       SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace sonabrix
