#include "app/win32/services/window_system_win32.h"

#include "app/win32/look/dpi.h"
#include "common/win32/optional_functions.h"
#include "common/win32/system_library.h"

namespace zeph::win32 {

void Win32WindowSystem::ShowWindow(tray::WindowHandle window, int command) { ::ShowWindow(ToHwnd(window), command); }
bool Win32WindowSystem::IsIconic(tray::WindowHandle window) { return ::IsIconic(ToHwnd(window)) != FALSE; }
bool Win32WindowSystem::IsWindowVisible(tray::WindowHandle window) {
  return ::IsWindowVisible(ToHwnd(window)) != FALSE;
}
tray::WindowHandle Win32WindowSystem::GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }
std::uint32_t Win32WindowSystem::GetWindowThreadId(tray::WindowHandle window) {
  return ::GetWindowThreadProcessId(ToHwnd(window), nullptr);
}
bool Win32WindowSystem::AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) {
  return ::AttachThreadInput(attach, attachTo, doAttach) != FALSE;
}
void Win32WindowSystem::BringWindowToTop(tray::WindowHandle window) { ::BringWindowToTop(ToHwnd(window)); }
void Win32WindowSystem::SetForegroundWindow(tray::WindowHandle window) { ::SetForegroundWindow(ToHwnd(window)); }

std::uint32_t Win32WindowSystem::GetForegroundLockTimeout() {
  DWORD value = 0;
  SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &value, 0);
  return value;
}

void Win32WindowSystem::SetForegroundLockTimeout(std::uint32_t milliseconds) {
  // This action takes its value in the pointer argument itself.
  SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(milliseconds)),
                        SPIF_SENDCHANGE);
}

void Win32WindowSystem::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t Win32WindowSystem::OsMajorVersion() {
  OSVERSIONINFOW info;
  return RealWindowsVersion(info) ? info.dwMajorVersion : 6;
}

std::uint32_t Win32WindowSystem::RegisteredMessage(const std::wstring& name) {
  return ::RegisterWindowMessageW(name.c_str());
}

// Windows before 7 has no per-window message filter, and the program must still
// start there.
bool Win32WindowSystem::AllowMessageFromLowerIntegrity(tray::WindowHandle window, std::uint32_t message) {
  constexpr DWORD kMsgFltAllow = 1;
  const auto change = User32().ChangeWindowMessageFilterEx;
  if (!change) return false;
  return change(ToHwnd(window), message, kMsgFltAllow, nullptr) != FALSE;
}

void Win32WindowSystem::SetWindowText(tray::WindowHandle window, const std::wstring& text) {
  ::SetWindowTextW(ToHwnd(window), text.c_str());
}

tray::ScreenPoint Win32WindowSystem::GetCursorPos() {
  POINT p{};
  ::GetCursorPos(&p);
  return {p.x, p.y};
}

void Win32WindowSystem::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Not ours to take: the main loop must still see it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

ui::Font Win32WindowSystem::IconTitleFont() { return win32::IconTitleFont(); }

}  // namespace zeph::win32
