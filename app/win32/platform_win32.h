#pragma once
// The real implementations of the window's platform seams, and the one bundle of
// all of them that the program hands to TFrmTidewell.
#include <windows.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/platform.h"
#include "app/tray/tray_shell.h"
#include "app/tray/window_system.h"
#include "app/win32/palette.h"
#include "app/win32/window_dispatcher.h"
#include "app/win32/worker_threads.h"
#include "autostart/win32/task_scheduler_win32.h"
#include "common/win32/clock_win32.h"
#include "common/win32/number_format_win32.h"
#include "config/win32/registry_win32.h"
#include "memory/win32/kernel_win32.h"
#include "translate/win32/translate_win32.h"
#include "update/win32/platform_win32.h"

namespace zeph::win32 {

inline HWND ToHwnd(tray::WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline tray::WindowHandle FromHwnd(HWND window) { return reinterpret_cast<tray::WindowHandle>(window); }

class Win32WindowSystem final : public tray::WindowSystem {
 public:
  void ShowWindow(tray::WindowHandle window, int command) override;
  bool IsIconic(tray::WindowHandle window) override;
  bool IsWindowVisible(tray::WindowHandle window) override;
  tray::WindowHandle GetForegroundWindow() override;
  std::uint32_t GetWindowThreadId(tray::WindowHandle window) override;
  bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) override;
  void BringWindowToTop(tray::WindowHandle window) override;
  void SetForegroundWindow(tray::WindowHandle window) override;
  std::uint32_t GetForegroundLockTimeout() override;
  void SetForegroundLockTimeout(std::uint32_t milliseconds) override;
  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t OsMajorVersion() override;
  std::uint32_t RegisteredMessage(const std::wstring& name) override;
  bool AllowMessageFromLowerIntegrity(tray::WindowHandle window, std::uint32_t message) override;
  void SetWindowText(tray::WindowHandle window, const std::wstring& text) override;
  tray::ScreenPoint GetCursorPos() override;
  void ProcessMessages() override;
  ui::Font IconTitleFont() override;
};

// The icon's identity is (window, id 1); the shell reports mouse events on it as
// the window message kCallbackMessage with the mouse message in lParam.
class Win32TrayShell final : public tray::TrayShell {
 public:
  static constexpr UINT kCallbackMessage = WM_APP + 0x102;
  void Attach(HWND window) { window_ = window; }
  bool Add(const tray::TrayIconData& data) override;
  bool Modify(const tray::TrayIconData& data) override;
  bool Delete() override;
  bool Balloon(const std::wstring& title, const std::wstring& text) override;

 private:
  HWND window_ = nullptr;
};

// Boxes in the window's look (app/win32/message_dialog.h), painted with the palette
// as it is at each box: the window's palette may change while the program runs.
// Flags the dialog does not cover, and a dialog that cannot be created, get the
// system's box.
class Win32MessageBoxes final : public app::MessageBoxes {
 public:
  // Null: the system's look.
  void SetPalette(const Palette* palette) { palette_ = palette; }
  const Palette* GetPalette() const { return palette_; }
  int Show(tray::WindowHandle owner, const std::wstring& text, const std::wstring& caption,
           std::uint32_t flags) override;

 private:
  const Palette* palette_ = nullptr;
};

// Delphi-style local time for the window's clock.
class Win32AppClock final : public app::Clock {
 public:
  double Now() override { return clock_.Now(); }

 private:
  Win32Clock clock_;
};

// Every real seam in one place; Bundle() is what TFrmTidewell is given.
struct Win32Services {
  memory::Win32Kernel kernel;
  WindowDispatcher dispatcher;
  DetachedThreads threads;
  Win32AppClock clock;
  Win32MessageBoxes boxes;
  Win32WindowSystem windows;
  Win32TrayShell trayShell;
  translate::Win32LocaleSource locale;
  translate::Win32ResourceSource resources;
  Win32NumberFormat numberFormat;
  config::Win32Registry registry;
  autostart::Win32TaskScheduler taskScheduler;
  update::Win32VersionBlock versionBlock;

  app::Platform Bundle();
};

// The program's command-line arguments after its own name, as Windows splits them.
std::vector<std::wstring> CommandLineArgs();

}  // namespace zeph::win32
