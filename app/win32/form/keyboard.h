#pragma once
// Keyboard use of the main window beyond what IsDialogMessage does: the system's
// rule for focus marks (hidden after the mouse was used, shown once the keyboard
// navigates), and the arrow keys between the page tabs.
#include <windows.h>

namespace zeph::win32 {

// Called for every message the loop takes before IsDialogMessage: a navigation key
// in `window` shows its focus marks, a mouse press in it hides them again.
void TrackFocusMarks(HWND window, const MSG& msg);

// Whether `window` (a top-level window) hides its focus marks just now.
bool FocusMarksHidden(HWND window);
// Hides them, or shows them when the user asked Windows to always show them.
void ResetFocusMarks(HWND window);

// Where an arrow key moves among `count` page tabs from `index`; `index` itself
// when the key is no arrow key. Left and Up go back, Right and Down on, wrapping.
int ArrowTarget(WPARAM key, int index, int count);

}  // namespace zeph::win32
