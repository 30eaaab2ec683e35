#include "app/win32/form/keyboard.h"

namespace zeph::win32 {
namespace {

bool Inside(HWND window, HWND hwnd) { return hwnd && (hwnd == window || IsChild(window, hwnd)); }

void SetFocusMarksHidden(HWND window, bool hidden) {
  if (FocusMarksHidden(window) == hidden) return;
  // The top-level window spreads the new state to every control (WM_UPDATEUISTATE).
  SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(hidden ? UIS_SET : UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

}  // namespace

bool FocusMarksHidden(HWND window) {
  return (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
}

void ResetFocusMarks(HWND window) {
  BOOL alwaysShown = FALSE;
  SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysShown, 0);
  SetFocusMarksHidden(window, !alwaysShown);
}

void TrackFocusMarks(HWND window, const MSG& msg) {
  if (!IsWindow(window) || !Inside(window, msg.hwnd)) return;
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      switch (msg.wParam) {
        case VK_TAB:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_MENU:
          SetFocusMarksHidden(window, false);
          break;
        default:
          break;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      ResetFocusMarks(window);
      break;
    default:
      break;
  }
}

int ArrowTarget(WPARAM key, int index, int count) {
  if (count <= 0) return index;
  switch (key) {
    case VK_LEFT:
    case VK_UP:
      return (index + count - 1) % count;
    case VK_RIGHT:
    case VK_DOWN:
      return (index + 1) % count;
    default:
      return index;
  }
}

}  // namespace zeph::win32
