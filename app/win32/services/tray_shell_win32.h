#pragma once
// The notification-area icon through Shell_NotifyIconW.
#include <windows.h>

#include <string>

#include "app/tray/tray_shell.h"
#include "app/win32/services/window_messages.h"

namespace zeph::win32 {

// The icon's identity is (window, id 1); the shell reports mouse events on it as
// the window message kCallbackMessage with the mouse message in lParam.
class Win32TrayShell final : public tray::TrayShell {
 public:
  static constexpr UINT kCallbackMessage = window_messages::kTrayCallback;
  void Attach(HWND window) { window_ = window; }
  bool Add(const tray::TrayIconData& data) override;
  bool Modify(const tray::TrayIconData& data) override;
  bool Delete() override;
  bool Balloon(const std::wstring& title, const std::wstring& text) override;

 private:
  HWND window_ = nullptr;
};

}  // namespace zeph::win32
