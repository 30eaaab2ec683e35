#pragma once
// Where the desktop shell cannot open a page or a folder for this elevated program,
// the user gets its address instead: one of the program's boxes with the address
// shown selectable, a Copy button that puts it on the clipboard and leaves the box
// open, and OK.
#include <windows.h>

#include <string>

#include "app/win32/dialogs/message_boxes_win32.h"
#include "app/win32/look/palette.h"
#include "update/platform.h"

namespace zeph::win32 {

inline constexpr int kAddressCopy = 100;

// Shows the box and returns once the user has closed it. `text` says what happened
// and what to do with the address.
void ShowAddressBox(HWND owner, const std::wstring& caption, const std::wstring& text, const std::wstring& address,
                    const Palette& palette);

// The web pages' box, in the look the program's other boxes have at the time.
class Win32AddressBox final : public update::AddressBox {
 public:
  explicit Win32AddressBox(const Win32MessageBoxes& boxes) : boxes_(boxes) {}
  void Show(WindowHandle owner, const std::wstring& caption, const std::wstring& address) override;

 private:
  const Win32MessageBoxes& boxes_;
};

}  // namespace zeph::win32
