#pragma once
// A TFrmTidewell wired to fakes behind every seam, for the window's tests in any
// folder. The application's own window is kAppWindow, the main window kMainWindow
// (shown, in front); the form is built on first use, so a test can first set
// further seams in `platform` or arguments in the constructor.
//
//   zeph::app::testing::TestWindow w({L"/start"});
//   w.platform.registry = &myRegistry;   // a seam added by another subsystem
//   w.Form().BtnCloseClick(w.Form());
#include <memory>
#include <string>
#include <vector>

#include "app/frm_tidewell.h"
#include "app/testing/fake_message_boxes.h"
#include "app/testing/fake_tray_shell.h"
#include "app/testing/fake_window_system.h"
#include "autostart/testing/fake_task_scheduler.h"
#include "common/testing/fake_clock.h"
#include "common/testing/manual_dispatcher.h"
#include "config/testing/fake_registry.h"
#include "memory/testing/fake_kernel.h"
#include "update/testing/fake_platform.h"

namespace zeph::app::testing {

inline constexpr WindowHandle kAppWindow = 0x100;
inline constexpr WindowHandle kMainWindow = 0x200;
inline constexpr IconHandle kMainIcon = 0x300;
inline constexpr std::uint32_t kUiThread = 11;

class FakeLocale : public translate::LocaleSource {
 public:
  bool UserIso639Name(std::wstring& name) const override {
    if (!succeeds) return false;
    name = language;
    return true;
  }
  std::wstring language = L"ko";
  bool succeeds = true;
};

// The bundle of seams every window test hands the form, from the rig's fakes; a rig
// adds the seams only some tests need (the web shell, the address box, update checks).
inline Platform TestPlatform(memory::Kernel& kernel, UiDispatcher& dispatcher, ThreadStarter& threads, Clock& clock,
                             MessageBoxes& boxes, tray::WindowSystem& windows, tray::TrayShell& trayShell,
                             const translate::LocaleSource& locale, config::Registry& registry,
                             autostart::TaskScheduler& taskScheduler, const update::VersionBlock& versionBlock) {
  Platform platform;
  platform.kernel = &kernel;
  platform.dispatcher = &dispatcher;
  platform.threads = &threads;
  platform.clock = &clock;
  platform.messageBoxes = &boxes;
  platform.windows = &windows;
  platform.trayShell = &trayShell;
  platform.locale = &locale;
  platform.registry = &registry;
  platform.taskScheduler = &taskScheduler;
  platform.versionBlock = &versionBlock;
  return platform;
}

class TestWindow {
 public:
  explicit TestWindow(std::vector<std::wstring> args = {})
      : application(windows, boxes, std::move(args)) {
    platform = TestPlatform(kernel, dispatcher, threads, clock, boxes, windows, shell, locale, registry,
                            taskScheduler, versionBlock);
    application.SetTitle(L"타이드웰");
    application.SetHandle(kAppWindow);
    application.SetMainWindow(kMainWindow);
    application.SetIcon(kMainIcon);
    windows.visible.insert(kMainWindow);
    windows.foreground = kMainWindow;
    windows.threadOf = {{kAppWindow, kUiThread}, {kMainWindow, kUiThread}};
    windows.calls.clear();
  }

  TFrmTidewell& Form() {
    if (!form) form = std::make_unique<TFrmTidewell>(platform, application);
    return *form;
  }

  // The tray icon as the window's creation sets it up: the application's icon, the
  // pop-up menu, the click handler, shown. The shell's record starts after it.
  tray::TTrayIcon& GiveTrayIcon() {
    TFrmTidewell& f = Form();
    f.TrayIcon = std::make_unique<tray::TTrayIcon>(&f, shell, application);
    f.TrayIcon->PopupMenu = &f.Popup;
    f.TrayIcon->OnClick = [&f](ui::Component& sender) { f.TrayIconClick(sender); };
    f.TrayIcon->SetVisible(true);
    shell.calls.clear();
    return *f.TrayIcon;
  }

  memory::testing::FakeKernel kernel;
  zeph::testing::ManualDispatcher dispatcher;
  zeph::testing::ManualThreads threads;
  zeph::testing::FakeClock clock;
  FakeMessageBoxes boxes;
  tray::testing::FakeWindowSystem windows;
  tray::testing::FakeTrayShell shell;
  FakeLocale locale;
  config::testing::FakeRegistry registry;
  autostart::testing::FakeTaskScheduler taskScheduler;
  update::testing::FakeVersionBlock versionBlock{1, 0, 0, 0};
  Platform platform;
  Application application;
  // Destroyed first: the form's destruction still reaches the fakes above.
  std::unique_ptr<TFrmTidewell> form;
};

}  // namespace zeph::app::testing
