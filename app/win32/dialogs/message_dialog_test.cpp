// The program's message box as a user meets it: opened for real, answered from
// another thread with the keys and clicks a user gives it, read the way screen
// readers and the end-to-end tests read it.
#include "app/win32/dialogs/message_dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <vector>

#include "common/win32/threads.h"
#include "crash/testing/foreign_exception.h"

namespace zeph::win32 {
namespace {

constexpr wchar_t kCaption[] = L"Message dialog test";

// What the helper thread saw of the open dialog.
struct Seen {
  bool found = false;
  std::wstring cls;
  int focusId = 0;
  bool topmost = false;
  LONG defaultStyle = 0;  // the focused control's button type
  RECT text{};            // the text's rectangle and the monitor's work area
  RECT work{};
};

// Opens the dialog on this thread and, once it is on screen, looks at it and runs
// `answer` on another thread, as a user would press its keys.
int Answer(const std::wstring& flagsText, UINT flags, const std::function<void(HWND box, HWND focus)>& answer,
           Seen* seen = nullptr, const Palette& palette = SystemPalette()) {
  const auto dialog = MessageBoxDialog(nullptr, flagsText, kCaption, flags);
  EXPECT_TRUE(dialog);
  if (!dialog) return -1;
  Thread user([&] {
    HWND box = nullptr;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    // Activation passes the focus through the dialog itself on its way to the button.
    const auto ready = [&] { return box && info.hwndFocus && GetParent(info.hwndFocus) == box; };
    for (int i = 0; i < 400 && !ready(); ++i) {
      box = FindWindowW(nullptr, kCaption);
      if (box && IsWindowVisible(box)) GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info);
      if (!ready()) Sleep(25);
    }
    if (!ready()) return;  // the dialog never came; ctest's time limit ends the test
    if (seen) {
      wchar_t cls[32] = {};
      GetClassNameW(box, cls, 32);
      seen->found = true;
      seen->cls = cls;
      seen->focusId = GetDlgCtrlID(info.hwndFocus);
      seen->topmost = (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
      seen->defaultStyle = GetWindowLongW(info.hwndFocus, GWL_STYLE) & BS_TYPEMASK;
      GetWindowRect(GetDlgItem(box, 0xFFFF), &seen->text);
      MONITORINFO monitor{};
      monitor.cbSize = sizeof monitor;
      GetMonitorInfoW(MonitorFromWindow(box, MONITOR_DEFAULTTONEAREST), &monitor);
      seen->work = monitor.rcWork;
    }
    answer(box, info.hwndFocus);
  });
  const int result = ShowMessageDialog(*dialog, palette);
  user.Join();
  return result;
}

void Key(HWND to, UINT message, WPARAM key) { PostMessageW(to, message, key, 0); }
void Click(HWND box, int id) { PostMessageW(GetDlgItem(box, id), BM_CLICK, 0, 0); }

TEST(MessageDialog, IsReadLikeTheSystemBoxWithTheDefaultButtonFocused) {
  Seen seen;
  Palette dark = SystemPalette();  // painted by the program, not the system
  dark.themed = dark.dark = true;
  const int result =
      Answer(L"Quit?", 0x50124, [](HWND, HWND focus) { Key(focus, WM_KEYDOWN, VK_RETURN); }, &seen, dark);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.cls, L"#32770");
  EXPECT_EQ(seen.focusId, IDNO);
  EXPECT_EQ(seen.defaultStyle, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(seen.topmost);
  EXPECT_EQ(result, IDNO);  // Enter presses the default, No
}

TEST(MessageDialog, AnswersTheKeysAndClicksAsTheSystemBoxDoes) {
  struct Case {
    const char* what;
    UINT flags;
    std::function<void(HWND, HWND)> user;
    int expected;
  };
  const Case cases[] = {
      {"Escape on OK", MB_OK | MB_ICONERROR, [](HWND, HWND f) { Key(f, WM_KEYDOWN, VK_ESCAPE); }, IDOK},
      {"close box on OK", MB_OK, [](HWND b, HWND) { PostMessageW(b, WM_CLOSE, 0, 0); }, IDOK},
      {"IDCANCEL on OK", MB_OK, [](HWND b, HWND) { PostMessageW(b, WM_COMMAND, IDCANCEL, 0); }, IDOK},
      // A question has no cancel: Escape and the close box leave it open for the click.
      {"Escape on Yes/No", MB_YESNO | MB_DEFBUTTON2,
       [](HWND b, HWND f) {
         Key(f, WM_KEYDOWN, VK_ESCAPE);
         PostMessageW(b, WM_CLOSE, 0, 0);
         PostMessageW(b, WM_COMMAND, IDCANCEL, 0);
         Click(b, IDYES);
       },
       IDYES},
      {"plain mnemonic", MB_YESNO | MB_DEFBUTTON2, [](HWND, HWND f) { Key(f, WM_CHAR, L'y'); }, IDYES},
      {"Alt+mnemonic", MB_YESNO, [](HWND, HWND f) { Key(f, WM_SYSCHAR, L'n'); }, IDNO},
      {"Tab then Enter", MB_YESNO | MB_DEFBUTTON2,
       [](HWND, HWND f) {
         Key(f, WM_KEYDOWN, VK_TAB);
         Key(f, WM_KEYDOWN, VK_RETURN);  // reaches whichever button the Tab focused: Yes
       },
       IDYES},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Answer(L"Text", c.flags, c.user), c.expected);
  }
}

TEST(MessageDialog, WrapsALongUnbrokenTextInsideTheScreen) {
  Seen seen;
  const int result = Answer(std::wstring(600, L'W'), MB_OK, [](HWND b, HWND) { Click(b, IDOK); }, &seen);
  EXPECT_EQ(result, IDOK);
  ASSERT_TRUE(seen.found);
  EXPECT_GE(seen.text.left, seen.work.left);
  EXPECT_LE(seen.text.right, seen.work.right);
  EXPECT_LT(seen.text.right - seen.text.left, (seen.work.right - seen.work.left) * 3 / 4);
  EXPECT_GT(seen.text.bottom - seen.text.top, 4 * GetSystemMetrics(SM_CYCAPTION)) << "not wrapped";
}

TEST(MessageDialog, AButtonMayKeepTheDialogOpenAndTheDetailsLeaveTheKeysToIt) {
  DialogSpec box;
  box.caption = kCaption;
  box.text = L"It failed.";
  box.details = L"line 1\r\nline 2";
  box.buttons = {{100, L"&Copy"}, {IDOK, L"OK"}};
  box.defaultId = IDOK;
  box.cancelId = IDOK;
  std::vector<int> pressed;
  box.onButton = [&](int id, OpenDialog&) {
    pressed.push_back(id);
    return id != 100;
  };
  Thread user([] {
    HWND box = nullptr;
    for (int i = 0; i < 400 && !(box && IsWindowVisible(box)); ++i) {
      box = FindWindowW(nullptr, kCaption);
      Sleep(25);
    }
    HWND details = GetDlgItem(box, 0xFFFE);
    Click(box, 100);
    // Enter in the details presses the default button.
    PostMessageW(box, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(details), TRUE);
    Key(details, WM_KEYDOWN, VK_RETURN);
  });
  const int result = ShowMessageDialog(box, SystemPalette());
  user.Join();
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(pressed, (std::vector<int>{100, IDOK}));
}

TEST(MessageDialog, AFaultInsideTheDialogGoesToTheCrashReporter) {
  DialogSpec box;
  box.caption = kCaption;
  box.text = L"Text";
  box.buttons = {{100, L"&Fault"}, {IDOK, L"OK"}};
  box.defaultId = box.cancelId = IDOK;
  box.onButton = [](int id, OpenDialog&) {
    if (id == 100) crash::testing::RaiseForeignException();
    return true;
  };
  const crash::testing::FaultWatch faults;
  Thread user([] {
    HWND box = nullptr;
    for (int i = 0; i < 400 && !(box && IsWindowVisible(box)); ++i) {
      box = FindWindowW(nullptr, kCaption);
      Sleep(25);
    }
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), 0);
    Click(box, IDOK);
  });
  const int result = ShowMessageDialog(box, SystemPalette());
  user.Join();
  EXPECT_EQ(result, IDOK) << "the dialog went on";
  EXPECT_EQ(faults.HandedOver(), 1);
}

TEST(MessageDialog, FlagsItDoesNotCoverAreLeftToTheSystemBox) {
  for (UINT flags : {UINT{MB_OKCANCEL}, UINT{MB_YESNOCANCEL}, UINT{MB_OK | MB_DEFBUTTON2}, UINT{MB_YESNO | MB_HELP},
                     UINT{MB_OK | MB_TASKMODAL}, UINT{MB_OK | MB_RTLREADING}}) {
    EXPECT_FALSE(MessageBoxDialog(nullptr, L"t", L"c", flags)) << std::hex << flags;
  }
}

}  // namespace
}  // namespace zeph::win32
