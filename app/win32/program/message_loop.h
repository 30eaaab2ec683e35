#pragma once
// The program's message loop: runs until WM_QUIT and returns its exit code.
// Keyboard navigation (Tab, arrow keys, Space on a focused control) works in
// `window` as in a dialog box.
#include <windows.h>

namespace zeph::win32 {

int RunMessageLoop(HWND window);

}  // namespace zeph::win32
