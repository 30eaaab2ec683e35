#include "app/tray/tray_icon.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/testing/test_window.h"
#include "common/error.h"
#include "common/utf.h"

namespace zeph::tray {
namespace {

using app::testing::kAppWindow;
using app::testing::kMainIcon;
using Op = testing::FakeTrayShell::Op;

struct Fixture {
  app::testing::FakeMessageBoxes boxes;
  testing::FakeWindowSystem windows;
  testing::FakeTrayShell shell;
  app::Application application{windows, boxes, {}};
  Fixture() {
    application.SetHandle(kAppWindow);
    application.SetIcon(kMainIcon);
    windows.calls.clear();
  }
};

TEST(TrayIconTest, VisibilityAddsAndRemovesAndSettingTheSameValueDoesNothing) {
  Fixture f;
  TTrayIcon icon(nullptr, f.shell, f.application);
  icon.SetHint(L"타이드웰 1.0.0");
  icon.SetVisible(true);
  icon.SetVisible(true);
  icon.SetVisible(false);
  icon.SetVisible(false);
  EXPECT_EQ(f.shell.Ops(), (std::vector<Op>{Op::Add, Op::Delete}));
  EXPECT_EQ(f.shell.calls[0].data, (TrayIconData{L"타이드웰 1.0.0", kMainIcon}));
}

TEST(TrayIconTest, ARefusedRemovalRaisesWithTheFlagAlreadyHidden) {
  Fixture f;
  f.shell.ready = false;  // the shell never took the icon
  TTrayIcon icon(nullptr, f.shell, f.application);
  icon.SetVisible(true);
  EXPECT_TRUE(icon.Visible()) << "the outcome of the add is not looked at";
  try {
    icon.SetVisible(false);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), L"Cannot remove shell notification icon");
  }
  EXPECT_FALSE(icon.Visible());
  EXPECT_NO_THROW(icon.SetVisible(false));
  f.shell.ready = true;
  icon.SetVisible(true);
  EXPECT_TRUE(f.shell.holds) << "the next show only adds";
}

TEST(TrayIconTest, TheShellRestartReRegistersOnlyAVisibleIcon) {
  Fixture f;
  TTrayIcon icon(nullptr, f.shell, f.application);
  icon.TaskbarCreated();
  EXPECT_TRUE(f.shell.calls.empty());
  icon.SetVisible(true);
  f.shell.holds = false;  // explorer restarted and forgot every icon
  icon.TaskbarCreated();
  EXPECT_EQ(f.shell.Ops(), (std::vector<Op>{Op::Add, Op::Add}));
  EXPECT_TRUE(f.shell.holds);
}

TEST(TrayIconTest, HintAndIconChangesReachAVisibleIconOnly) {
  Fixture f;
  TTrayIcon icon(nullptr, f.shell, f.application);
  icon.SetHint(L"a");
  icon.SetIcon(0x999);
  EXPECT_TRUE(f.shell.calls.empty());
  icon.SetVisible(true);
  icon.SetHint(L"b");
  EXPECT_EQ(f.shell.Ops(), (std::vector<Op>{Op::Add, Op::Modify}));
  EXPECT_EQ(f.shell.shown, (TrayIconData{L"b", 0x999}));
}

TEST(TrayIconTest, AtMost127UnitsOfTheHintReachTheShell) {
  Fixture f;
  TTrayIcon icon(nullptr, f.shell, f.application);
  icon.SetHint(std::wstring(200, L'가'));
  icon.SetVisible(true);
  EXPECT_EQ(f.shell.shown.Tip, std::wstring(127, L'가'));
  EXPECT_EQ(icon.Hint().size(), 200u) << "the icon keeps the whole hint";
}

TEST(CutToUtf16UnitsTest, CutsWithoutSplittingASurrogatePair) {
  const std::wstring clef = Utf16LeToWide(reinterpret_cast<const std::uint8_t*>("\x34\xD8\x1E\xDD"), 4);  // U+1D11E
  struct Case {
    std::wstring text;
    std::size_t max;
    std::wstring expected;
  };
  for (const Case& c : {Case{L"", 5, L""}, Case{L"abc", 3, L"abc"}, Case{L"abcd", 3, L"abc"},
                        Case{L"ab" + clef, 3, L"ab"}, Case{L"ab" + clef, 4, L"ab" + clef},
                        Case{clef + L"x", 1, L""}}) {
    EXPECT_EQ(CutToUtf16Units(c.text, c.max), c.expected) << c.max;
  }
}

TEST(TrayIconTest, ClicksAndTheMenu) {
  Fixture f;
  app::testing::TestWindow unused;  // a form to own a menu
  ui::PopupMenu& menu = unused.Form().Popup;
  TTrayIcon icon(nullptr, f.shell, f.application);
  icon.PopupMenu = &menu;
  std::wstring senderClass;
  icon.OnClick = [&](ui::Component& sender) { senderClass = sender.ClassName(); };

  icon.LeftClick();
  EXPECT_EQ(senderClass, L"TTrayIcon");

  f.windows.cursor = {640, 1010};
  icon.RightButtonUp();
  EXPECT_EQ(f.windows.calls,
            (std::vector<std::string>{"SetForegroundWindow(256)", "ProcessMessages", "GetCursorPos"}));
  EXPECT_EQ(menu.PopupCount(), 1);
  EXPECT_EQ(menu.PopupPoint().X, 640);
  EXPECT_EQ(menu.PopupPoint().Y, 1010);
}

// A quit request, a log-off or an accepted update handled while the pending messages
// are pumped destroys the icon; the menu must then not open.
TEST(TrayIconTest, RightClickStopsWhenTheMessagesItHandlesDestroyTheIcon) {
  Fixture f;
  app::testing::TestWindow owner;
  ui::PopupMenu& menu = owner.Form().Popup;
  auto icon = std::make_unique<TTrayIcon>(nullptr, f.shell, f.application);
  icon->PopupMenu = &menu;
  f.windows.duringProcessMessages = [&] { icon.reset(); };

  TTrayIcon* const raw = icon.get();
  raw->RightButtonUp();
  EXPECT_EQ(menu.PopupCount(), 0);
  EXPECT_EQ(f.windows.calls.back(), "ProcessMessages");
}

TEST(TrayIconTest, BalloonsNeedAVisibleIconAndAreCutToTheShellsLimits) {
  Fixture f;
  TTrayIcon icon(nullptr, f.shell, f.application);
  EXPECT_FALSE(icon.ShowBalloon(L"t", L"x"));
  icon.SetVisible(true);
  EXPECT_TRUE(icon.ShowBalloon(std::wstring(70, L't'), std::wstring(300, L'x')));
  EXPECT_EQ(f.shell.calls.back().title.size(), 63u);
  EXPECT_EQ(f.shell.calls.back().text.size(), 255u);
}

TEST(TrayIconTest, DestroyingAVisibleIconRemovesItWithoutRaising) {
  Fixture f;
  {
    TTrayIcon icon(nullptr, f.shell, f.application);
    icon.SetVisible(true);
    f.shell.holds = false;  // the removal will be refused
  }
  EXPECT_EQ(f.shell.Ops(), (std::vector<Op>{Op::Add, Op::Delete}));
}

}  // namespace
}  // namespace zeph::tray
