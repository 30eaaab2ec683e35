#include "app/win32/dialogs/address_box.h"

#include "app/win32/dialogs/message_dialog.h"
#include "app/win32/services/clipboard.h"
#include "translate/program_texts.h"

namespace zeph::win32 {

void ShowAddressBox(HWND owner, const std::wstring& caption, const std::wstring& text, const std::wstring& address,
                    const Palette& palette) {
  using translate::ProgramText;
  DialogSpec box;
  box.owner = owner;
  box.caption = caption;
  box.text = text;
  box.details = address;  // read-only and selectable
  box.icon = DialogIcon::Information;
  box.buttons = {{kAddressCopy, ProgramText(L"복사(&C)")}, {IDOK, ProgramText(L"확인")}};
  box.defaultId = kAddressCopy;
  box.cancelId = IDOK;
  box.setForeground = true;
  box.onButton = [address](int id, OpenDialog& open) {
    if (id != kAddressCopy) return true;
    CopyTextToClipboard(open.Window(), address);
    return false;  // the box stays open: the user may still read or select it
  };
  ShowMessageDialog(box, palette);
}

void Win32AddressBox::Show(WindowHandle owner, const std::wstring& caption, const std::wstring& address) {
  const Palette* palette = boxes_.GetPalette();
  ShowAddressBox(reinterpret_cast<HWND>(owner), caption,
                 translate::ProgramText(L"웹 브라우저를 열 수 없습니다. 아래 주소를 복사하여 웹 브라우저에 붙여 넣으십시오."),
                 address, palette ? *palette : SystemPalette());
}

}  // namespace zeph::win32
