// The Win32 view of the control model, driven as a user and as the program would:
// windows pressed through their messages, the model changed from code.
#include "app/win32/form/form_window.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/form/keyboard.h"
#include "app/win32/form/probe_contract.h"
#include "app/win32/look/dpi.h"

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
    Logo.SetBounds(200, 0, 100, 30);
    Logo.AccessibleName = L"Logo link";
    Logo.OnClick = [this](ui::Component&) { ++logoClicks; };
    Ring.SetBounds(45, 40, 30, 30);
    Ring.AccessibleName = L"Busy ring";
    Ring.SetVisible(false);
    Go.OnClick = [this](ui::Component&) { ++goClicks; };
    Info.SetBounds(10, 140, 150, 21);
    Info.SetText(L"version");
    Pages.SetActiveCardIndex(0);
    Home.OnClick = [this](ui::Component&) { Pages.SetActiveCardIndex(0); };
    Settings.OnClick = [this](ui::Component&) { Pages.SetActiveCardIndex(1); };
    Check.OnClick = [this](ui::Component&) { ++checkClicks; };
    List.OnChange = [this](ui::Component&) { ++listChanges; };
    Info.OnClick = [this](ui::Component&) { SetActiveControl(nullptr); };
    OnCloseQuery = [this](ui::Component&, bool& canClose) {
      ++closeQueries;
      canClose = allowClose;
    };
  }

  ui::Panel Head{*this, *this, L"Head"};
  ui::SpeedButton Home{*this, Head, L"Home"};
  ui::SpeedButton Settings{*this, Head, L"Settings"};
  ui::Image Logo{*this, Head, L"Logo"};
  ui::CardPanel Pages{*this, *this, L"Pages"};
  ui::Card Page1{*this, Pages, L"Page1"};
  ui::Label Status{*this, Page1, L"Status"};
  ui::Button Go{*this, Page1, L"Go"};
  ui::ActivityIndicator Ring{*this, Page1, L"Ring"};
  ui::Card Page2{*this, Pages, L"Page2"};
  ui::CheckBox Check{*this, Page2, L"Check"};
  ui::ComboBox List{*this, Page2, L"List"};
  ui::Edit Info{*this, Page2, L"Info"};
  ui::Timer Ticker{*this, L"Ticker"};

  int checkClicks = 0;
  int goClicks = 0;
  int logoClicks = 0;
  int closeQueries = 0;
  int listChanges = 0;
  bool allowClose = false;
};

class FormWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(view.Create(nullptr, nullptr), nullptr);
    view.SetOnDestroy([this] { ++destroyed; });
    Pump();  // as the program's loop does first: the hidden page's controls
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
    const WindowDc windowDc(hwnd);
    const HDC dc = windowDc.get();
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(hwnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
    LOGBRUSH fill{};
    GetObjectW(brush, sizeof fill, &fill);
    const COLORREF text = GetTextColor(dc);
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

struct NameSearch {
  const wchar_t* name;
  HWND found = nullptr;
};

// A callback's calling convention: a lambda has the wrong one in a 32-bit build.
BOOL CALLBACK MatchName(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<NameSearch*>(param);
  wchar_t text[64] = {};
  const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(hwnd, kNameProperty)));
  if (atom && GlobalGetAtomNameW(atom, text, 64) && wcscmp(text, search.name) == 0) search.found = hwnd;
  return search.found == nullptr;
}

HWND ChildNamed(HWND top, const wchar_t* name) {
  NameSearch search{name};
  EnumChildWindows(top, MatchName, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The hidden page's controls are made after the window (from the message loop, or
// when the page is first shown); what the program set before shows in them.
TEST(FormWindowHiddenPageTest, ControlsMadeLaterTakeTheStateSetBeforeThem) {
  const auto pump = [] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);  // and the quit at the end
  };
  const struct {
    const char* when;
    void (*make)(TestForm&);
    bool beforeLoop;
  } cases[] = {
      {"from the loop", [](TestForm&) {}, false},
      {"on showing the page", [](TestForm& form) { form.Pages.SetActiveCardIndex(1); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.when);
    TestForm form;
    FormWindow view{form, SystemPalette(), [](std::exception_ptr) {}};
    ASSERT_NE(view.Create(nullptr, nullptr), nullptr);
    EXPECT_EQ(ChildNamed(view.Handle(), L"Check"), nullptr) << "made before it was needed";
    // What the program's start sets before its loop runs.
    form.Check.SetChecked(true);
    form.List.SetItemIndex(2);
    form.List.SetEnabled(false);
    form.Info.SetText(L"ver 2");
    form.SetFont(ui::Font{.Name = L"Arial", .Height = -13});
    c.make(form);
    EXPECT_EQ(ChildNamed(view.Handle(), L"Check") != nullptr, c.beforeLoop);
    pump();

    HWND check = ChildNamed(view.Handle(), L"Check"), list = ChildNamed(view.Handle(), L"List");
    HWND info = ChildNamed(view.Handle(), L"Info");
    ASSERT_TRUE(check && list && info);
    EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 2);
    EXPECT_FALSE(IsWindowEnabled(list));
    wchar_t text[16] = {};
    GetWindowTextW(info, text, 16);
    EXPECT_STREQ(text, L"ver 2");
    // One font for both pages, the one set last.
    const auto font = reinterpret_cast<HFONT>(SendMessageW(check, WM_GETFONT, 0, 0));
    EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageW(ChildNamed(view.Handle(), L"Status"), WM_GETFONT, 0, 0)));
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    EXPECT_STREQ(lf.lfFaceName, L"Arial");
  }
  pump();
}

// The keyboard's way through the window, as the dialog manager walks it.
TEST_F(FormWindowTest, TabWalksTheVisiblePageInReadingOrderAndSkipsTheVersionField) {
  view.Show();
  Pump();
  const auto walk = [&] {
    std::vector<std::wstring> names;
    HWND first = GetNextDlgTabItem(view.Handle(), nullptr, FALSE);
    for (HWND at = first; at && names.size() < 10;) {
      names.push_back(NameOf(at));
      at = GetNextDlgTabItem(view.Handle(), at, FALSE);
      if (at == first) break;
    }
    return names;
  };
  EXPECT_EQ(walk(), (std::vector<std::wstring>{L"Home", L"Logo", L"Go"}));
  SendMessageW(Child(form.Settings), BM_CLICK, 0, 0);
  EXPECT_EQ(walk(), (std::vector<std::wstring>{L"Settings", L"Logo", L"Check", L"List"}));
  SetFocus(Child(form.Info));
  EXPECT_NE(GetFocus(), Child(form.Info)) << "the version field hands the focus on";
}

TEST_F(FormWindowTest, KeysPressTheFocusedControlAndMoveBetweenThePageTabs) {
  view.Show();
  Pump();
  const auto key = [&](const ui::Component& c, WPARAM vk) {
    HWND hwnd = Child(c);
    SetFocus(hwnd);
    // Through the dialog manager, as the program's message loop hands it keys.
    MSG msg{hwnd, WM_KEYDOWN, vk, 1, 0, {}};
    if (!IsDialogMessageW(view.Handle(), &msg)) DispatchMessageW(&msg);
    Pump();
  };
  key(form.Go, VK_RETURN);
  EXPECT_EQ(form.goClicks, 1);
  key(form.Logo, VK_RETURN);
  key(form.Logo, VK_SPACE);
  EXPECT_EQ(form.logoClicks, 2);
  key(form.Home, VK_RIGHT);
  EXPECT_TRUE(form.Settings.Down());
  EXPECT_TRUE(IsWindowVisible(Child(form.Page2)));
  EXPECT_EQ(GetFocus(), Child(form.Settings));
  EXPECT_TRUE(GetWindowLongW(Child(form.Settings), GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(GetWindowLongW(Child(form.Home), GWL_STYLE) & WS_TABSTOP);
  key(form.Settings, VK_DOWN);  // round to the first tab
  EXPECT_TRUE(form.Home.Down());
  key(form.Go, VK_ESCAPE);  // the same close attempt as the close box
  EXPECT_EQ(form.closeQueries, 1);
  EXPECT_TRUE(IsWindow(view.Handle()));
  EXPECT_EQ(form.goClicks, 1);
}

// The clean button is disabled while the program cleans: a keyboard user who
// pressed it finds the focus on it again afterwards; a hidden page gives it up.
TEST_F(FormWindowTest, FocusComesBackToAButtonThatWasDisabledAndLeavesAHiddenPage) {
  view.Show();
  Pump();
  SetFocus(Child(form.Go));
  form.Go.SetEnabled(false);
  EXPECT_EQ(GetFocus(), view.Handle());
  form.Go.SetEnabled(true);
  EXPECT_EQ(GetFocus(), Child(form.Go));
  form.Pages.SetActiveCardIndex(1);
  EXPECT_EQ(GetFocus(), Child(form.Home)) << "the first tab stop";
}

TEST_F(FormWindowTest, FocusMarksShowAfterKeyboardNavigationAndHideAfterAMousePress) {
  HWND hwnd = view.Handle();
  BOOL alwaysShown = FALSE;
  SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysShown, 0);
  SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(FALSE), 0);
  ResetFocusMarks(hwnd);
  EXPECT_TRUE(FocusMarksHidden(hwnd));
  TrackFocusMarks(hwnd, MSG{Child(form.Go), WM_KEYDOWN, VK_TAB, 1, 0, {}});
  EXPECT_FALSE(FocusMarksHidden(hwnd));
  TrackFocusMarks(hwnd, MSG{Child(form.Go), WM_LBUTTONDOWN, MK_LBUTTON, 0, 0, {}});
  EXPECT_TRUE(FocusMarksHidden(hwnd));
  // The user's setting to always show them wins over the mouse.
  SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(TRUE), 0);
  TrackFocusMarks(hwnd, MSG{Child(form.Go), WM_LBUTTONDOWN, MK_LBUTTON, 0, 0, {}});
  EXPECT_FALSE(FocusMarksHidden(hwnd));
  SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(alwaysShown)), 0);
}

// What a screen reader in this process hears; the object it keeps after the window
// is gone answers that it is disconnected.
TEST_F(FormWindowTest, OwnControlsAnswerScreenReadersWhileTheWindowLives) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  view.Show();
  Pump();
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  const auto ask = [&](const ui::Component& c, long& role, long& state, std::wstring& name) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(Child(c), static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))) || !object) {
      return static_cast<IAccessible*>(nullptr);
    }
    VARIANT r{}, s{};
    BSTR n = nullptr;
    EXPECT_EQ(object->get_accRole(self, &r), S_OK);
    EXPECT_EQ(object->get_accState(self, &s), S_OK);
    EXPECT_EQ(object->get_accName(self, &n), S_OK);
    role = r.lVal;
    state = s.lVal;
    name = n ? n : L"";
    SysFreeString(n);
    return object;
  };
  const struct {
    const ui::Component& control;
    long role;
    long state;  // bits that must be set
    const wchar_t* name;
  } cases[] = {
      {form.Home, ROLE_SYSTEM_PAGETAB, STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSABLE, L"Home"},
      {form.Settings, ROLE_SYSTEM_PAGETAB, STATE_SYSTEM_FOCUSABLE, L"Settings"},
      {form.Logo, ROLE_SYSTEM_LINK, STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE, L"Logo link"},
      {form.Ring, ROLE_SYSTEM_ANIMATION, STATE_SYSTEM_INVISIBLE, L"Busy ring"},
      {form.Go, ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, L"Go"},
  };
  for (const auto& c : cases) {
    long role = 0, state = 0;
    std::wstring name;
    IAccessible* object = ask(c.control, role, state, name);
    ASSERT_NE(object, nullptr) << c.control.Name();
    EXPECT_EQ(role, c.role) << c.control.Name();
    EXPECT_EQ(state & c.state, c.state) << c.control.Name();
    EXPECT_EQ(name, c.name);
    object->Release();
  }

  // A screen reader's default action clicks the logo, once the loop gets to it.
  {
    long role = 0, state = 0;
    std::wstring name;
    IAccessible* logo = ask(form.Logo, role, state, name);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->accDoDefaultAction(self), S_OK);
    Pump();
    EXPECT_EQ(form.logoClicks, 1);
    logo->Release();
  }

  // Busy: the ring shows and the button under it says so.
  form.Ring.SetVisible(true);
  long role = 0, state = 0;
  std::wstring name;
  IAccessible* go = ask(form.Go, role, state, name);
  ASSERT_NE(go, nullptr);
  EXPECT_TRUE(state & STATE_SYSTEM_BUSY);
  ask(form.Ring, role, state, name)->Release();
  EXPECT_FALSE(state & STATE_SYSTEM_INVISIBLE);

  form.allowClose = true;
  SendMessageW(view.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  ASSERT_EQ(view.Handle(), nullptr);
  BSTR late = nullptr;
  EXPECT_EQ(go->get_accName(self, &late), RPC_E_DISCONNECTED);
  EXPECT_EQ(late, nullptr);
  go->Release();
  CoUninitialize();
}

// Screen readers hear the cleaning start and end: the ring appears and goes, and
// the button under it changes state.
std::vector<std::pair<DWORD, HWND>> g_events;

TEST_F(FormWindowTest, TheBusyRingIsAnnounced) {
  const HWINEVENTHOOK hook = SetWinEventHook(
      EVENT_OBJECT_SHOW, EVENT_OBJECT_STATECHANGE, nullptr,
      [](HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
        if (object == OBJID_CLIENT && child == CHILDID_SELF) g_events.emplace_back(event, hwnd);
      },
      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  const auto announced = [&](DWORD event, const ui::Component& c) {
    Pump();
    return std::find(g_events.begin(), g_events.end(), std::make_pair(event, Child(c))) != g_events.end();
  };
  g_events.clear();
  form.Ring.SetVisible(true);
  EXPECT_TRUE(announced(EVENT_OBJECT_SHOW, form.Ring));
  EXPECT_TRUE(announced(EVENT_OBJECT_STATECHANGE, form.Go));
  g_events.clear();
  form.Ring.SetVisible(false);
  EXPECT_TRUE(announced(EVENT_OBJECT_HIDE, form.Ring));
  EXPECT_TRUE(announced(EVENT_OBJECT_STATECHANGE, form.Go));
  UnhookWinEvent(hook);
}

}  // namespace
}  // namespace zeph::win32
