#pragma once

// Keeping a window above all others. Each platform provides SetAlwaysOnTop in its own file.

#include "window/forms.h"

namespace sonabrix {

// OnTop true: the window joins the topmost band and stays above ordinary windows, even when it
// loses the focus; false: it is an ordinary window again. Its position and size stay. The
// outcome is not reported.
void SetAlwaysOnTop(forms::NativeHandle hWnd, bool OnTop);

}  // namespace sonabrix
