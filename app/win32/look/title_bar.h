#pragma once
// The title bar's light or dark look. Windows 10 1809 and later draw a window's
// caption dark on request (DWM's immersive dark mode attribute); older Windows and
// Wine ignore the request, and the caption keeps the system's look.
#include <windows.h>

namespace zeph::win32 {

// Asks DWM to draw `window`'s title bar dark (or light again). False when this
// Windows has no such attribute.
bool UseDarkTitleBar(HWND window, bool dark);

}  // namespace zeph::win32
