#include "app/win32/dialogs/message_boxes_win32.h"

#include "app/win32/dialogs/message_dialog.h"

namespace zeph::win32 {

int Win32MessageBoxes::Show(tray::WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                            std::uint32_t flags) {
  if (const auto box = MessageBoxDialog(ToHwnd(owner), text, caption, flags)) {
    if (const int answer = ShowMessageDialog(*box, palette_ ? *palette_ : SystemPalette())) return answer;
  }
  return MessageBoxW(ToHwnd(owner), text.c_str(), caption.c_str(), flags);
}

}  // namespace zeph::win32
