#include "app/win32/address_box.h"

#include <cstring>

#include "app/win32/handles.h"
#include "app/win32/message_dialog.h"
#include "translate/program_texts.h"

namespace zeph::win32 {

bool CopyTextToClipboard(const std::wstring& text) {
  // The clipboard needs an owner window: opened without one, EmptyClipboard leaves
  // it ownerless and SetClipboardData then fails. A message-only window of this
  // thread serves; the text stays on the clipboard after it is gone.
  const UniqueHwnd owner(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                        nullptr, ::GetModuleHandleW(nullptr), nullptr));
  if (!owner || !::OpenClipboard(owner.get())) return false;
  bool copied = false;
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (::EmptyClipboard()) {
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      if (void* target = ::GlobalLock(memory)) {
        std::memcpy(target, text.c_str(), bytes);
        ::GlobalUnlock(memory);
        // The clipboard owns the memory once it took it.
        copied = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
      }
      if (!copied) ::GlobalFree(memory);
    }
  }
  ::CloseClipboard();
  return copied;
}

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
  box.onButton = [address](int id) {
    if (id != kAddressCopy) return true;
    CopyTextToClipboard(address);
    return false;  // the box stays open: the user may still read or select it
  };
  ShowMessageDialog(box, palette);
}

void Win32AddressBox::Show(update::WindowHandle owner, const std::wstring& caption, const std::wstring& address) {
  const Palette* palette = boxes_.GetPalette();
  ShowAddressBox(static_cast<HWND>(owner), caption,
                 translate::ProgramText(L"웹 브라우저를 열 수 없습니다. 아래 주소를 복사하여 웹 브라우저에 붙여 넣으십시오."),
                 address, palette ? *palette : SystemPalette());
}

}  // namespace zeph::win32
