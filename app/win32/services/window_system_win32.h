#pragma once
// The window and process calls the tray icon helper makes, and the conversions between
// the model's window handles and HWND.
#include <windows.h>

#include <string>

#include "app/tray/window_system.h"

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

}  // namespace zeph::win32
