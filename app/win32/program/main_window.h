#pragma once
// TFrmTidewell on Win32: its FormWindow, the application's own top-level window
// (owner of message boxes and of the tray menu, never on the task bar), the
// program's icons, and the messages only this window knows: the second copy's
// WM_USER request, the end of the log-on, the tray icon's callback and the shell's
// "TaskbarCreated", and the dispatcher's hand-over message.
#include <windows.h>

#include "app/application.h"
#include "app/frm_tidewell.h"
#include "app/win32/form/form_window.h"
#include "app/win32/look/gdi.h"
#include "app/win32/program/platform_win32.h"

namespace zeph::win32 {

class MainWindow {
 public:
  MainWindow(app::TFrmTidewell& form, app::Application& application, Win32Services& services,
             const Palette& palette);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates both windows and tells the application and the seams about them.
  // False when Windows refused to create them.
  bool Create();
  HWND Handle() const { return view_.Handle(); }
  // Shows the window unless the application was told to keep it hidden.
  void Show();

 private:
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  app::TFrmTidewell& form_;
  app::Application& application_;
  Win32Services& services_;
  FormWindow view_;
  UniqueHwnd appWindow_;
  UniqueHicon bigIcon_, smallIcon_;
  const UINT taskbarCreated_;
  bool leftButtonDown_ = false;
};

// The icon resource every Tidewell executable carries.
inline constexpr wchar_t kMainIcon[] = L"MAINICON";

}  // namespace zeph::win32
