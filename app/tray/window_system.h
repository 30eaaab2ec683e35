#pragma once
// The window and system calls the tray helper and the application object make.
// One method per Windows call, so the exact call sequences can be checked on the
// host (app/testing/fake_window_system.h); app/win32 makes the real calls.
#include <cstdint>

#include "app/ui/component.h"
#include "common/window_handle.h"

namespace zeph::tray {

// An HICON, opaque to the logic; 0 is none.
using zeph::WindowHandle;
using IconHandle = std::uintptr_t;

// ShowWindow commands used by the program.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShowMinimized = 2;
inline constexpr int kSwShow = 5;
inline constexpr int kSwMinimize = 6;
inline constexpr int kSwRestore = 9;

struct ScreenPoint {
  int X = 0;
  int Y = 0;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  virtual void ShowWindow(WindowHandle window, int command) = 0;
  virtual bool IsIconic(WindowHandle window) = 0;
  virtual bool IsWindowVisible(WindowHandle window) = 0;
  virtual WindowHandle GetForegroundWindow() = 0;
  // GetWindowThreadProcessId without asking for the process id.
  virtual std::uint32_t GetWindowThreadId(WindowHandle window) = 0;
  virtual bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) = 0;
  virtual void BringWindowToTop(WindowHandle window) = 0;
  virtual void SetForegroundWindow(WindowHandle window) = 0;
  // SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &value, 0).
  virtual std::uint32_t GetForegroundLockTimeout() = 0;
  // SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, value, SPIF_SENDCHANGE),
  // the value passed as the pointer argument itself.
  virtual void SetForegroundLockTimeout(std::uint32_t milliseconds) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;  // any thread
  virtual std::uint32_t OsMajorVersion() = 0;

  // RegisterWindowMessageW: the number every process knows the message `name` by.
  virtual std::uint32_t RegisteredMessage(const std::wstring& name) = 0;
  // ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr). An elevated
  // window receives no registered message from a process of lower integrity (the
  // shell) unless it lets that one in. False when refused, or where Windows has no
  // such function (before Windows 7).
  virtual bool AllowMessageFromLowerIntegrity(WindowHandle window, std::uint32_t message) = 0;

  virtual void SetWindowText(WindowHandle window, const std::wstring& text) = 0;
  virtual ScreenPoint GetCursorPos() = 0;
  // Handles the messages waiting in the UI thread's queue, then returns.
  virtual void ProcessMessages() = 0;
  // SystemParametersInfoW(SPI_GETICONTITLELOGFONT): the desktop's icon-title font.
  virtual ui::Font IconTitleFont() = 0;
};

}  // namespace zeph::tray
