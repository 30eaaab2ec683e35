// The Win32 view of the control model, driven as a user and as the program would:
// windows pressed through their messages, the model changed from code.
#include "app/win32/form_window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "app/win32/dpi.h"
#include "app/win32/probe_contract.h"

namespace zeph::win32 {
namespace {

class TestForm : public ui::Form {
 public:
  TestForm() : ui::Form(L"TidewellViewTest", L"FrmTest") {
    SetCaption(L"View test");
    ClientWidth = 300;
    ClientHeight = 200;
    Head.SetBounds(0, 0, 300, 30);
    Home.SetBounds(0, 0, 60, 30);
    Home.SetGroupIndex(1);
    Home.SetDown(true);
    Home.SetCaption(L"Home");
    Settings.SetBounds(60, 0, 60, 30);
    Settings.SetGroupIndex(1);
    Settings.SetCaption(L"Settings");
    Pages.SetBounds(0, 30, 300, 170);
    Page1.SetBounds(0, 0, 300, 170);
    Page2.SetBounds(0, 0, 300, 170);
    Status.SetBounds(10, 10, 50, 15);
    Go.SetBounds(10, 40, 100, 30);
    Go.SetCaption(L"Go");
    Check.SetBounds(10, 10, 150, 17);
    Check.SetCaption(L"Check me");
    List.SetBounds(170, 10, 80, 21);
    List.SetItems({L"5", L"10", L"20"});
    Info.SetBounds(10, 140, 150, 21);
    Info.SetText(L"version");
    Pages.SetActiveCardIndex(0);
    Home.OnClick = [this](ui::Component&) { Pages.SetActiveCardIndex(0); };
    Settings.OnClick = [this](ui::Component&) { Pages.SetActiveCardIndex(1); };
    Check.OnClick = [this](ui::Component&) { ++checkClicks; };
    List.OnChange = [this](ui::Component&) { ++listChanges; };
    Info.OnClick = [this](ui::Component&) { SetActiveControl(nullptr); };
    OnCloseQuery = [this](ui::Component&, bool& canClose) { canClose = allowClose; };
  }

  ui::Panel Head{*this, *this, L"Head"};
  ui::SpeedButton Home{*this, Head, L"Home"};
  ui::SpeedButton Settings{*this, Head, L"Settings"};
  ui::CardPanel Pages{*this, *this, L"Pages"};
  ui::Card Page1{*this, Pages, L"Page1"};
  ui::Label Status{*this, Page1, L"Status"};
  ui::Button Go{*this, Page1, L"Go"};
  ui::Card Page2{*this, Pages, L"Page2"};
  ui::CheckBox Check{*this, Page2, L"Check"};
  ui::ComboBox List{*this, Page2, L"List"};
  ui::Edit Info{*this, Page2, L"Info"};
  ui::Timer Ticker{*this, L"Ticker"};

  int checkClicks = 0;
  int listChanges = 0;
  bool allowClose = false;
};

class FormWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(view.Create(nullptr, nullptr), nullptr);
    view.SetOnDestroy([this] { ++destroyed; });
  }

  HWND Child(const ui::Component& c) {
    const auto& owned = form.Components();
    for (std::size_t i = 0; i < owned.size(); ++i) {
      if (owned[i] == &c) return GetDlgItem(GetParentOf(c), kFirstControlId + static_cast<int>(i));
    }
    return nullptr;
  }
  HWND GetParentOf(const ui::Component& c) {
    const ui::Control* parent = static_cast<const ui::Control&>(c).Parent();
    return parent == &form ? view.Handle() : Child(*parent);
  }
  std::wstring NameOf(HWND hwnd) {
    wchar_t name[64] = {};
    GlobalGetAtomNameW(static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(hwnd, kNameProperty))), name, 64);
    return name;
  }
  std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
  }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        continue;
      }
      DispatchMessageW(&msg);
    }
  }

  TestForm form;
  int errors = 0;
  int destroyed = 0;
  bool quit = false;
  FormWindow view{form, SystemPalette(), [this](std::exception_ptr) { ++errors; }};
};

TEST_F(FormWindowTest, EveryControlIsARealChildNamedAfterItsModel) {
  const struct {
    const ui::Component& model;
    const wchar_t* cls;
  } cases[] = {
      {form.Head, L"TidewellPanel"}, {form.Home, L"Button"},   {form.Pages, L"TidewellPanel"},
      {form.Status, L"Static"},      {form.Go, L"Button"},     {form.Check, L"Button"},
      {form.List, L"ComboBox"},      {form.Info, L"Edit"},
  };
  for (const auto& c : cases) {
    HWND hwnd = Child(c.model);
    ASSERT_NE(hwnd, nullptr) << c.model.Name();
    EXPECT_EQ(NameOf(hwnd), c.model.Name());
    EXPECT_EQ(_wcsicmp(ClassOf(hwnd).c_str(), c.cls), 0) << c.model.Name() << " is " << ClassOf(hwnd).size();
  }
  EXPECT_EQ(NameOf(view.Handle()), L"FrmTest");
  wchar_t caption[32] = {};
  GetWindowTextW(view.Handle(), caption, 32);
  EXPECT_STREQ(caption, L"View test");
}

TEST_F(FormWindowTest, ClientAreaAndPositionsScaleWithTheWindowDpi) {
  const UINT dpi = WindowDpi(view.Handle());
  RECT client;
  GetClientRect(view.Handle(), &client);
  EXPECT_EQ(client.right, Scale(300, dpi));
  EXPECT_EQ(client.bottom, Scale(200, dpi));
  RECT go;
  GetWindowRect(Child(form.Go), &go);
  MapWindowPoints(nullptr, Child(form.Page1), reinterpret_cast<POINT*>(&go), 2);
  EXPECT_EQ(go.left, Scale(10, dpi));
  EXPECT_EQ(go.right - go.left, Scale(100, dpi));
  const LONG style = GetWindowLongW(view.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(GetWindowLongW(view.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
}

TEST_F(FormWindowTest, HeaderButtonsActAsOneRadioGroupAndSwitchPages) {
  view.Show();  // a page counts as on screen only inside a window that is
  Pump();
  ASSERT_TRUE(IsWindowVisible(view.Handle()));
  EXPECT_TRUE(IsWindowVisible(Child(form.Page1)));
  EXPECT_FALSE(IsWindowVisible(Child(form.Page2)));

  SendMessageW(Child(form.Settings), BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(form.Settings.Down());
  EXPECT_FALSE(form.Home.Down());
  EXPECT_FALSE(IsWindowVisible(Child(form.Page1)));
  EXPECT_TRUE(IsWindowVisible(Child(form.Page2)));

  // Pressing the button that is down keeps it down.
  SendMessageW(Child(form.Settings), BM_CLICK, 0, 0);
  EXPECT_TRUE(form.Settings.Down());
  EXPECT_TRUE(IsWindowVisible(Child(form.Page2)));
}

TEST_F(FormWindowTest, CheckBoxFollowsClicksAndCode) {
  HWND check = Child(form.Check);
  SendMessageW(check, BM_CLICK, 0, 0);
  EXPECT_TRUE(form.Check.Checked());
  EXPECT_EQ(form.checkClicks, 1);
  form.Check.SetChecked(false);  // from code: the box follows, the handler runs as for a click
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(form.checkClicks, 2);
  form.Check.SetChecked(false);
  EXPECT_EQ(form.checkClicks, 2);
}

TEST_F(FormWindowTest, DropDownPickRunsTheHandlerButCodeDoesNot) {
  HWND list = Child(form.List);
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), CB_ERR);
  form.List.SetItemIndex(2);
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(form.listChanges, 0);

  // A user's pick, as the drop-down reports it to its parent.
  SendMessageW(list, CB_SETCURSEL, 1, 0);
  SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(form.List.ItemIndex(), 1);
  EXPECT_EQ(form.List.Text(), L"10");
  EXPECT_EQ(form.listChanges, 1);

  form.List.SetItems({L"a"});
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST_F(FormWindowTest, ModelChangesReachTheWindows) {
  form.Go.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Child(form.Go)));
  form.Go.SetCaption(L"");
  EXPECT_EQ(GetWindowTextLengthW(Child(form.Go)), 0);
  form.Info.SetText(L"ver 1.0.0");
  wchar_t text[32] = {};
  GetWindowTextW(Child(form.Info), text, 32);
  EXPECT_STREQ(text, L"ver 1.0.0");
  form.Go.SetVisible(false);
  EXPECT_FALSE(GetWindowLongW(Child(form.Go), GWL_STYLE) & WS_VISIBLE);
}

// The palette changes while the window is open (apps light/dark, high contrast):
// the same Palette object takes the new colours, and the controls paint with them.
TEST_F(FormWindowTest, APaletteChangeRepaintsInPlaceAndSwitchesTheButtonDrawing) {
  const auto colours = [this](const ui::Control& control) {
    HWND hwnd = Child(control);
    HDC dc = GetDC(hwnd);
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(hwnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
    LOGBRUSH fill{};
    GetObjectW(brush, sizeof fill, &fill);
    const COLORREF text = GetTextColor(dc);
    ReleaseDC(hwnd, dc);
    return std::pair{fill.lbColor, text};
  };
  const auto buttonType = [this] { return GetWindowLongW(Child(form.Go), GWL_STYLE) & BS_TYPEMASK; };
  const Palette* held = &view.GetPalette();
  EXPECT_EQ(buttonType(), BS_PUSHBUTTON);

  ThemeColors dark;
  dark.colors.fill(Rgb{0x2A, 0x2D, 0x31});
  dark.colors[static_cast<std::size_t>(ThemeColor::Window)] = Rgb{0x1F, 0x1F, 0x1F};
  dark.colors[static_cast<std::size_t>(ThemeColor::Text)] = Rgb{0xE4, 0xE7, 0xEB};
  view.SetPalette(ThemePalette(dark, true));
  EXPECT_EQ(&view.GetPalette(), held);
  EXPECT_TRUE(held->dark);
  EXPECT_EQ(colours(form.Status), std::pair(RGB(0x1F, 0x1F, 0x1F), RGB(0xE4, 0xE7, 0xEB)));
  EXPECT_EQ(colours(form.Check), std::pair(RGB(0x1F, 0x1F, 0x1F), RGB(0xE4, 0xE7, 0xEB)));
  EXPECT_EQ(buttonType(), BS_OWNERDRAW);

  // High contrast's system colours, white on black: the body is the system's window
  // colour, not the white the form was designed with.
  Palette contrast = SystemPalette();
  contrast.window = RGB(0, 0, 0);
  contrast.text = RGB(255, 255, 255);
  view.SetPalette(contrast);
  EXPECT_EQ(colours(form.Status), std::pair(RGB(0, 0, 0), RGB(255, 255, 255)));
  EXPECT_EQ(buttonType(), BS_PUSHBUTTON);
  EXPECT_FALSE(held->themed);
}

TEST_F(FormWindowTest, AutoSizedLabelGrowsWithItsText) {
  HWND status = Child(form.Status);
  form.Status.SetCaption(L"1");
  RECT narrow;
  GetWindowRect(status, &narrow);
  form.Status.SetCaption(L"1,234 MB / 8,192 MB (15% in use)");
  RECT wide;
  GetWindowRect(status, &wide);
  EXPECT_GT(wide.right - wide.left, 3 * (narrow.right - narrow.left));
  EXPECT_GT(wide.right - wide.left, Scale(50, WindowDpi(status)));  // past its design width
}

TEST_F(FormWindowTest, ClickOnTheReadOnlyFieldRunsItsHandlerAndTakesNoFocus) {
  SetFocus(Child(form.Check));
  SendMessageW(Child(form.Info), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(Child(form.Info), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(form.ActiveControl(), nullptr);
  EXPECT_NE(GetFocus(), Child(form.Info));
}

TEST_F(FormWindowTest, HandlerErrorsGoToTheSinkAndTheWindowLivesOn) {
  form.Go.OnClick = [](ui::Component&) { throw std::runtime_error("handler failed"); };
  SendMessageW(Child(form.Go), BM_CLICK, 0, 0);
  EXPECT_EQ(errors, 1);
  EXPECT_TRUE(IsWindow(view.Handle()));
}

TEST_F(FormWindowTest, ARefusedCloseKeepsTheWindowAnAllowedOneDestroysItFromTheLoop) {
  HWND hwnd = view.Handle();
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(destroyed, 0);

  form.allowClose = true;
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(IsWindow(hwnd)) << "destroyed only once the main loop gets to it";
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(quit);
  EXPECT_EQ(view.Handle(), nullptr);
  form.Go.SetCaption(L"after");  // the model may change after the window is gone
}

TEST_F(FormWindowTest, TimerTicksReachTheModel) {
  int ticks = 0;
  form.Ticker.OnTimer = [&](ui::Component&) { ++ticks; };
  form.Ticker.SetInterval(20);
  const ULONGLONG deadline = GetTickCount64() + 3000;
  while (ticks < 2 && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Pump();
  }
  EXPECT_GE(ticks, 2);
  form.Ticker.SetEnabled(false);
  Sleep(60);
  const int stopped = ticks;
  Pump();
  EXPECT_EQ(ticks, stopped);
}

}  // namespace
}  // namespace zeph::win32
