// The address box as a user meets it under Wine: the address reads in its own
// field, Copy puts it on the clipboard and leaves the box open, OK closes it.
#include "app/win32/dialogs/address_box.h"

#include "app/win32/services/clipboard.h"
#include "app/win32/dialogs/testing_clipboard.h"

#include <gtest/gtest.h>

#include <string>

#include "common/win32/threads.h"

namespace zeph::win32 {
namespace {

constexpr wchar_t kCaption[] = L"Address box test";
constexpr WORD kDetailsId = 0xFFFE;  // the message dialog's details field

using testing::ClipboardText;

TEST(AddressBox, CopyPutsTheAddressOnTheClipboardAndKeepsTheBoxOpen) {
  const std::wstring address = L"https://example.test/donate?tidewell";
  const HWND before = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(CopyTextToClipboard(before, L"something else"));
  DestroyWindow(before);
  std::wstring shown, copied;
  bool openAfterCopy = false;
  Thread user([&] {
    HWND box = nullptr;
    for (int i = 0; i < 400 && !(box && IsWindowVisible(box)); ++i) {
      box = FindWindowW(nullptr, kCaption);
      Sleep(25);
    }
    wchar_t text[256] = {};
    GetDlgItemTextW(box, kDetailsId, text, 256);
    shown = text;
    SendMessageW(GetDlgItem(box, kAddressCopy), BM_CLICK, 0, 0);  // returns once the click is handled
    copied = ClipboardText();
    openAfterCopy = IsWindowVisible(box) != FALSE;
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  });
  ShowAddressBox(nullptr, kCaption, L"The web browser could not be opened.", address, SystemPalette());
  user.Join();
  EXPECT_EQ(shown, address);
  EXPECT_EQ(copied, address);
  EXPECT_TRUE(openAfterCopy);
}

}  // namespace
}  // namespace zeph::win32
