#include "app/tray/tray_icon_helper.h"

#include <memory>

#include "app/application.h"
#include "crash/fault.h"

namespace zeph::tray {

// Where Windows has no per-window filter the notice stays out; the program runs on.
void LetTaskbarCreatedIn(WindowSystem& windows, WindowHandle window) {
  const std::uint32_t message = windows.RegisteredMessage(kTaskbarCreatedMessage);
  if (message != 0) windows.AllowMessageFromLowerIntegrity(window, message);
}

void ForceForegroundWindow(WindowSystem& windows, WindowHandle window) {
  if (windows.IsIconic(window)) windows.ShowWindow(window, kSwRestore);
  if (windows.GetForegroundWindow() == window) return;
  if (windows.OsMajorVersion() < 6) {
    windows.BringWindowToTop(window);
    windows.SetForegroundWindow(window);
    return;
  }
  const std::uint32_t foregroundThread = windows.GetWindowThreadId(windows.GetForegroundWindow());
  const std::uint32_t windowThread = windows.GetWindowThreadId(window);
  if (!windows.AttachThreadInput(windowThread, foregroundThread, true)) return;
  windows.BringWindowToTop(window);
  windows.SetForegroundWindow(window);
  windows.AttachThreadInput(windowThread, foregroundThread, false);
  if (windows.GetForegroundWindow() == window) return;
  // Still refused: lift the foreground lock for one switch, then put it back.
  const std::uint32_t lockTimeout = windows.GetForegroundLockTimeout();
  windows.SetForegroundLockTimeout(0);
  windows.BringWindowToTop(window);
  windows.SetForegroundWindow(window);
  windows.SetForegroundLockTimeout(lockTimeout);
}

TTrayIconHelper::TTrayIconHelper(TTrayIcon& icon, app::Application& application, UiDispatcher& dispatcher,
                                 ThreadStarter& threads)
    : icon_(icon), application_(application), dispatcher_(dispatcher), threads_(threads) {}

// After a start at log-on the shell may not be ready for the icon yet; hiding and
// showing it again a second later registers it afresh. A pass whose removal raises
// (the shell never had the icon) leaves the icon reading hidden, so the next pass
// only adds it.
void TTrayIconHelper::Repaint() {
  if (application_.ParamStr(1) != L"/start") return;
  std::weak_ptr<TTrayIcon*> icon = icon_.Liveness();
  WindowSystem& windows = application_.Windows();
  UiDispatcher& dispatcher = dispatcher_;
  threads_.Start([icon, &windows, &dispatcher] {
    bool success = false;
    bool iconGone = false;
    while (!success && !iconGone) {
      windows.Sleep(1000);
      const bool ran = dispatcher.Invoke([&] {
        std::shared_ptr<TTrayIcon*> alive = icon.lock();
        if (!alive) {
          iconGone = true;
          return;
        }
        crash::RunGuarded([&] {
          (*alive)->SetVisible(false);
          (*alive)->SetVisible(true);
          success = true;
        });
      });
      // The window has closed: nothing is left to repaint.
      if (!ran) iconGone = true;
    }
  });
}

void TTrayIconHelper::HideToTray() {
  WindowSystem& windows = application_.Windows();
  if (application_.MainWindow() != 0) windows.ShowWindow(application_.MainWindow(), kSwHide);
  application_.SetShowMainForm(false);
  application_.Minimize();
  windows.ShowWindow(application_.Handle(), kSwHide);
}

void TTrayIconHelper::RestoreFromTray() {
  WindowSystem& windows = application_.Windows();
  windows.ShowWindow(application_.Handle(), kSwShow);
  application_.SetShowMainForm(true);
  application_.Restore();
  const WindowHandle main = application_.MainWindow();
  if (main == 0) return;
  if (!windows.IsWindowVisible(main)) windows.ShowWindow(main, kSwShow);
  ForceForegroundWindow(windows, main);
}

}  // namespace zeph::tray
