// The error box's own buttons and look, opened for real and pressed from another
// thread as a user would.
#include "app/win32/dialogs/crash_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/win32/look/palette.h"
#include "app/win32/dialogs/testing_clipboard.h"
#include "common/win32/threads.h"

namespace zeph::win32 {
namespace {

constexpr wchar_t kCaption[] = L"Crash dialog test";

// Shows the error box; once it is on screen, runs `look` on another thread, then
// presses Continue.
void WithErrorBox(const std::wstring& details, const std::function<void(HWND box)>& look) {
  Thread user([&] {
    HWND box = nullptr;
    for (int i = 0; i < 400 && !(box && IsWindowVisible(box)); ++i) {
      box = FindWindowW(L"#32770", kCaption);
      Sleep(25);
    }
    if (!box) return;  // ctest's time limit ends the test
    look(box);
    PostMessageW(GetDlgItem(box, kCrashContinue), BM_CLICK, 0, 0);
  });
  Win32ErrorReporter reporter;
  EXPECT_EQ(reporter.Show(0, L"It failed.", kCaption, details), crash::ErrorChoice::Continue);
  user.Join();
}

// Sends a message to the box's thread and waits until it has been handled.
void Press(HWND box, int id) { SendMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

using testing::ClipboardText;

TEST(CrashDialog, CopyPutsTheDetailsOnTheClipboardOwnedByTheBox) {
  HWND owner = nullptr, seenBox = nullptr;
  std::wstring copied;
  WithErrorBox(L"report line 1\r\nline 2", [&](HWND box) {
    seenBox = box;
    Press(box, kCrashCopy);
    owner = GetClipboardOwner();
    copied = ClipboardText();
  });
  EXPECT_EQ(copied, L"report line 1\r\nline 2");
  EXPECT_NE(seenBox, nullptr);
  EXPECT_EQ(owner, seenBox) << "without an owner Windows refuses SetClipboardData";
}

class AppsMode {
 public:
  static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  AppsMode() { had_ = Read(saved_); }
  ~AppsMode() {
    if (had_) {
      Set(saved_);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"AppsUseLightTheme");
    }
  }
  static void Set(DWORD light) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"AppsUseLightTheme", REG_DWORD, &light, sizeof light);
  }

 private:
  static bool Read(DWORD& value) {
    DWORD size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, kKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size) ==
           ERROR_SUCCESS;
  }
  DWORD saved_ = 0;
  bool had_ = false;
};

// The colour the box gives its text's background, as the dialog manager asks it.
COLORREF TextBackground(HWND box) {
  HDC dc = CreateCompatibleDC(nullptr);
  SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(box, 0xFFFF)));
  const COLORREF colour = GetBkColor(dc);
  DeleteDC(dc);
  return colour;
}

// The user switches apps between light and dark while the program runs: the next
// box follows, as the window does.
TEST(CrashDialog, TheBoxTakesTheLookOfTheMomentItOpens) {
  AppsMode restore;
  for (const DWORD light : {DWORD{0}, DWORD{1}}) {
    AppsMode::Set(light);
    const Palette now = CurrentPalette(kThemeName);
    ASSERT_TRUE(now.themed);
    ASSERT_EQ(now.dark, light == 0);
    COLORREF seen = CLR_INVALID;
    WithErrorBox(L"details", [&](HWND box) { seen = TextBackground(box); });
    EXPECT_EQ(seen, now.window) << (light ? "light" : "dark");
  }
}

}  // namespace
}  // namespace zeph::win32
