#include "app/win32/program/message_loop.h"

#include "app/win32/form/keyboard.h"

namespace zeph::win32 {

int RunMessageLoop(HWND window) {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    TrackFocusMarks(window, msg);
    // IsDialogMessage sends DM_GETDEFID (== WM_USER) with wParam 0 on Return; the
    // window's WM_USER handler ignores codes other than its own requests.
    if (IsWindow(window) && IsDialogMessageW(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace zeph::win32
