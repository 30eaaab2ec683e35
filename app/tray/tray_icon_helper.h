#pragma once
// The tray icon is re-added in two cases: after a start at log-on (/start) Repaint
// hides and shows it once a second until a pass succeeds, and when Explorer restarts
// the main window (win32::MainWindow) hands "TaskbarCreated", which reaches
// the elevated window only through LetTaskbarCreatedIn, to TTrayIcon::TaskbarCreated.
// Both go through TTrayIcon's shell_.Add(Data()) (app/tray/tray_icon.cpp): what the
// icon carries (icon, tip) is changed in TTrayIcon::Data() alone.
//
// Unit Zeph.TrayIcon: taking the program into the notification area and back, and
// re-adding the icon once the shell is ready after a start at log-on.
#include "app/tray/tray_icon.h"
#include "app/tray/window_system.h"
#include "common/dispatcher.h"

namespace zeph::app {
class Application;
}

namespace zeph::tray {

// The registered message by which the shell announces that the task bar was
// created again (Explorer restarted); the icon then registers itself again.
inline constexpr wchar_t kTaskbarCreatedMessage[] = L"TaskbarCreated";

// The program runs elevated and the shell does not, so Windows keeps the shell's
// restart notice from `window` unless the window lets exactly that message in.
void LetTaskbarCreatedIn(WindowSystem& windows, WindowHandle window);

// Brings `window` in front, past the foreground lock where Windows allows it.
void ForceForegroundWindow(WindowSystem& windows, WindowHandle window);

// The operations the program adds to its tray icon. HideToTray and RestoreFromTray
// act on the application and its main window, Repaint on the icon.
class TTrayIconHelper {
 public:
  TTrayIconHelper(TTrayIcon& icon, app::Application& application, UiDispatcher& dispatcher,
                  ThreadStarter& threads);

  // Not a repaint: it retries putting the icon into the tray (the name stays for callers).
  // Only when the first command-line argument is exactly "/start": a worker that,
  // once a second, has the UI thread hide and show the icon, until one pass does
  // so without an error. Returns at once. The worker uses the application's window
  // system and the dispatcher, which must outlive it; it ends early when the window
  // has closed or the icon is gone.
  void Repaint();
  // Neither the window nor a task-bar button shows afterwards.
  void HideToTray();
  // The window shows, restored, on the task bar and, as far as Windows allows, in front.
  void RestoreFromTray();

 private:
  TTrayIcon& icon_;
  app::Application& application_;
  UiDispatcher& dispatcher_;
  ThreadStarter& threads_;
};

}  // namespace zeph::tray
