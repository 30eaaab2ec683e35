#include "app/tray/tray_icon_helper.h"

#include <gtest/gtest.h>

#include "app/testing/test_window.h"
#include "common/utf.h"

namespace zeph::tray {
namespace {

using app::testing::kAppWindow;
using app::testing::kMainWindow;
using app::testing::TestWindow;
using Calls = std::vector<std::string>;
using Op = testing::FakeTrayShell::Op;

constexpr WindowHandle kOther = 0x900;  // another program's window, in front
constexpr std::uint32_t kOtherThread = 77;

// The main window (0x200 = 512) behind another program's window (0x900 = 2304).
void PutBehind(testing::FakeWindowSystem& windows) {
  windows.foreground = kOther;
  windows.threadOf[kOther] = kOtherThread;
  windows.calls.clear();
}

TEST(ForceForegroundWindowTest, CallSequences) {
  struct Case {
    const char* name;
    bool behind;
    bool iconic;
    std::uint32_t osMajor;
    bool attachSucceeds;
    bool locked;
    Calls expected;
    WindowHandle front;
  };
  const Case cases[] = {
      {"already in front", false, false, 10, true, false, {"IsIconic(512)", "GetForegroundWindow"}, kMainWindow},
      {"minimised and in front: restored only",
       false, true, 10, true, false,
       {"IsIconic(512)", "ShowWindow(512,9)", "GetForegroundWindow"}, kMainWindow},
      {"before Vista: the plain pair", true, false, 5, true, true,
       {"IsIconic(512)", "GetForegroundWindow", "OsMajorVersion", "BringWindowToTop(512)",
        "SetForegroundWindow(512)"},
       kOther},
      {"attaching fails: stop", true, false, 10, false, false,
       {"IsIconic(512)", "GetForegroundWindow", "OsMajorVersion", "GetForegroundWindow",
        "GetWindowThreadProcessId(2304)", "GetWindowThreadProcessId(512)", "AttachThreadInput(11,77,1)"},
       kOther},
      {"attached switch succeeds", true, false, 10, true, false,
       {"IsIconic(512)", "GetForegroundWindow", "OsMajorVersion", "GetForegroundWindow",
        "GetWindowThreadProcessId(2304)", "GetWindowThreadProcessId(512)", "AttachThreadInput(11,77,1)",
        "BringWindowToTop(512)", "SetForegroundWindow(512)", "AttachThreadInput(11,77,0)", "GetForegroundWindow"},
       kMainWindow},
      {"forced switch", true, false, 10, true, true,
       {"IsIconic(512)", "GetForegroundWindow", "OsMajorVersion", "GetForegroundWindow",
        "GetWindowThreadProcessId(2304)", "GetWindowThreadProcessId(512)", "AttachThreadInput(11,77,1)",
        "BringWindowToTop(512)", "SetForegroundWindow(512)", "AttachThreadInput(11,77,0)", "GetForegroundWindow",
        "SPI_GETFOREGROUNDLOCKTIMEOUT", "SPI_SETFOREGROUNDLOCKTIMEOUT(0)", "BringWindowToTop(512)",
        "SetForegroundWindow(512)", "SPI_SETFOREGROUNDLOCKTIMEOUT(200000)"},
       kMainWindow},
  };
  for (const Case& c : cases) {
    TestWindow w;
    if (c.behind) PutBehind(w.windows);
    if (c.iconic) w.windows.iconic.insert(kMainWindow);
    w.windows.osMajor = c.osMajor;
    w.windows.attachSucceeds = c.attachSucceeds;
    w.windows.foregroundLocked = c.locked;
    w.windows.lockTimeout = 200000;
    ForceForegroundWindow(w.windows, kMainWindow);
    EXPECT_EQ(w.windows.calls, c.expected) << c.name;
    EXPECT_EQ(w.windows.foreground, c.front) << c.name;
    EXPECT_EQ(w.windows.lockTimeout, 200000u) << c.name << ": the lock time-out is as before";
  }
}

TEST(TrayIconHelperTest, HideToTrayHidesTheWindowAndTheApplication) {
  TestWindow w;
  w.GiveTrayIcon();
  w.Form().TrayHelper().HideToTray();
  EXPECT_EQ(w.windows.calls, (Calls{"ShowWindow(512,0)", "IsWindowVisible(512)", "ShowWindow(256,0)"}));
  EXPECT_FALSE(w.windows.visible.count(kMainWindow));
  EXPECT_FALSE(w.application.ShowMainForm());
  EXPECT_TRUE(w.application.Minimized());
  EXPECT_TRUE(w.shell.calls.empty()) << "the icon stays";
}

TEST(TrayIconHelperTest, RestoreOfAWindowAlreadyInFrontOnlyReshowsAndRestores) {
  TestWindow w;
  w.GiveTrayIcon();
  w.Form().TrayHelper().RestoreFromTray();
  EXPECT_EQ(w.windows.calls, (Calls{"ShowWindow(256,5)", "IsWindowVisible(512)", "IsIconic(512)",
                                    "GetForegroundWindow"}));
  EXPECT_TRUE(w.application.ShowMainForm());
}

TEST(TrayIconHelperTest, RestoreAfterHideShowsTheWindowRestoredAndInFront) {
  TestWindow w;
  w.GiveTrayIcon();
  w.windows.iconic.insert(kMainWindow);  // minimised by the user before it went to the tray
  w.Form().TrayHelper().HideToTray();
  PutBehind(w.windows);
  w.windows.foregroundLocked = true;
  w.Form().TrayHelper().RestoreFromTray();
  EXPECT_TRUE(w.windows.visible.count(kMainWindow));
  EXPECT_FALSE(w.windows.iconic.count(kMainWindow));
  EXPECT_EQ(w.windows.foreground, kMainWindow);
  EXPECT_FALSE(w.application.Minimized());
  EXPECT_TRUE(w.application.ShowMainForm());
}

TEST(RepaintTest, NoThreadWithoutExactlySlashStartAsFirstArgument) {
  const std::vector<std::vector<std::wstring>> argLists = {
      {}, {L"/START"}, {L"start"}, {L"/start "}, {L"/inst"}, {L"x", L"/start"}};
  for (const auto& args : argLists) {
    TestWindow w(args);
    w.GiveTrayIcon();
    w.Form().TrayHelper().Repaint();
    EXPECT_TRUE(w.threads.bodies.empty()) << (args.empty() ? "no argument" : WideToUtf8(args.back()));
    EXPECT_TRUE(w.shell.calls.empty());
  }
}

TEST(RepaintTest, OnePassWhenTheShellHoldsTheIcon) {
  TestWindow w({L"/start"});
  w.GiveTrayIcon();
  w.Form().TrayHelper().Repaint();
  ASSERT_EQ(w.threads.bodies.size(), 1u);
  EXPECT_TRUE(w.shell.calls.empty()) << "the work waits for the thread";
  w.threads.RunNext();
  EXPECT_EQ(w.shell.Ops(), (std::vector<Op>{Op::Delete, Op::Add}));
  EXPECT_EQ(w.windows.calls, (Calls{"Sleep(1000)"}));
  EXPECT_EQ(w.dispatcher.invokes, 1);
  EXPECT_TRUE(w.Form().TrayIcon->Visible());
}

TEST(RepaintTest, ASecondPassAddsTheIconWhenTheFirstRemovalRaises) {
  TestWindow w({L"/start"});
  w.shell.ready = false;  // log-on: the shell cannot take the icon yet
  w.GiveTrayIcon();
  w.shell.ready = true;
  w.Form().TrayHelper().Repaint();
  w.threads.RunNext();
  EXPECT_EQ(w.shell.Ops(), (std::vector<Op>{Op::Delete, Op::Add}));
  EXPECT_FALSE(w.shell.calls[0].result) << "the first removal was refused";
  EXPECT_EQ(w.windows.calls, (Calls{"Sleep(1000)", "Sleep(1000)"}));
  EXPECT_EQ(w.dispatcher.invokes, 2);
  EXPECT_TRUE(w.shell.holds);
}

TEST(RepaintTest, TheThreadEndsWhenTheWindowOrTheIconIsGone) {
  {
    TestWindow w({L"/start"});
    w.GiveTrayIcon();
    w.Form().TrayHelper().Repaint();
    w.dispatcher.Close();
    w.threads.RunNext();
    EXPECT_EQ(w.dispatcher.invokes, 1);
    EXPECT_TRUE(w.shell.calls.empty());
  }
  {
    TestWindow w({L"/start"});
    w.GiveTrayIcon();
    w.Form().TrayHelper().Repaint();
    w.Form().FormDestroy();
    w.shell.calls.clear();
    w.threads.RunNext();
    EXPECT_EQ(w.dispatcher.invokes, 1);
    EXPECT_TRUE(w.shell.calls.empty()) << "a destroyed icon is never touched";
  }
}

}  // namespace
}  // namespace zeph::tray
