#include "app/win32/services/tray_shell_win32.h"

#include <shellapi.h>

namespace zeph::win32 {

namespace {

NOTIFYICONDATAW IconData(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = 1;
  return data;
}

template <std::size_t N>
void CopyText(wchar_t (&target)[N], const std::wstring& text) {
  lstrcpynW(target, text.c_str(), static_cast<int>(N));
}

NOTIFYICONDATAW IconDataWith(HWND window, const tray::TrayIconData& d) {
  NOTIFYICONDATAW data = IconData(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = Win32TrayShell::kCallbackMessage;
  data.hIcon = reinterpret_cast<HICON>(d.Icon);
  CopyText(data.szTip, d.Tip);
  return data;
}

}  // namespace

bool Win32TrayShell::Add(const tray::TrayIconData& data) {
  NOTIFYICONDATAW nid = IconDataWith(window_, data);
  return Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

bool Win32TrayShell::Modify(const tray::TrayIconData& data) {
  NOTIFYICONDATAW nid = IconDataWith(window_, data);
  return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

bool Win32TrayShell::Delete() {
  NOTIFYICONDATAW nid = IconData(window_);
  return Shell_NotifyIconW(NIM_DELETE, &nid) != FALSE;
}

bool Win32TrayShell::Balloon(const std::wstring& title, const std::wstring& text) {
  NOTIFYICONDATAW nid = IconData(window_);
  nid.uFlags = NIF_INFO;
  nid.dwInfoFlags = NIIF_INFO;
  nid.uTimeout = 10000;
  CopyText(nid.szInfoTitle, title);
  CopyText(nid.szInfo, text);
  return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

}  // namespace zeph::win32
