#include "app/win32/program/main_window.h"

#include <utility>

namespace zeph::win32 {
namespace {

constexpr wchar_t kApplicationClass[] = L"TidewellApplication";

HICON LoadMainIcon(int size) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), kMainIcon, IMAGE_ICON, size, size, 0));
}

// The application's own window: a zero-sized pop-up in the middle of the screen,
// so that a message box it owns appears centred, and a tool window, so it never
// gets a task-bar button of its own.
LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // It lives as long as the main window; only the program ends it.
  if (msg == WM_CLOSE) return 0;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreateApplicationWindow(const std::wstring& title) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ApplicationProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kApplicationClass;
  RegisterClassExW(&wc);
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
  return CreateWindowExW(WS_EX_TOOLWINDOW, kApplicationClass, title.c_str(), WS_POPUP, x, y, 0, 0, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

// A window procedure's calling convention: a lambda has the wrong one in the 32-bit program.
BOOL CALLBACK PassSysColorChange(HWND child, LPARAM) {
  SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

}  // namespace

MainWindow::MainWindow(app::TFrmTidewell& form, app::Application& application, Win32Services& services,
                       const Palette& palette)
    : form_(form),
      application_(application),
      services_(services),
      view_(form, palette, [&application](std::exception_ptr error) { application.HandleException(error); }),
      taskbarCreated_(RegisterWindowMessageW(tray::kTaskbarCreatedMessage)) {}

MainWindow::~MainWindow() { services_.dispatcher.Detach(); }

bool MainWindow::Create() {
  bigIcon_.reset(LoadMainIcon(GetSystemMetrics(SM_CXICON)));
  smallIcon_.reset(LoadMainIcon(GetSystemMetrics(SM_CXSMICON)));
  appWindow_.reset(CreateApplicationWindow(application_.Title()));
  if (!appWindow_) return false;
  application_.SetHandle(FromHwnd(appWindow_.get()));
  application_.SetIcon(reinterpret_cast<tray::IconHandle>(smallIcon_.get()));
  services_.boxes.SetPalette(&view_.GetPalette());

  view_.SetMenuOwner(appWindow_.get());
  view_.SetMessageHook([this](UINT msg, WPARAM w, LPARAM l, LRESULT& result) { return OnMessage(msg, w, l, result); });
  view_.SetOnDestroy([this] {
    // Work still queued for the window is dropped, and the icon leaves the tray
    // while the window it reports to still exists.
    services_.dispatcher.Detach();
    form_.FormDestroy();
  });
  HWND hwnd = view_.Create(bigIcon_.get(), smallIcon_.get());
  if (!hwnd) return false;
  application_.SetMainWindow(FromHwnd(hwnd));
  services_.trayShell.Attach(hwnd);
  services_.dispatcher.Attach(hwnd);
  return true;
}

void MainWindow::Show() {
  if (application_.ShowMainForm()) view_.Show();
}

bool MainWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (services_.dispatcher.HandleMessage(msg, wParam, lParam, result)) return true;
  if (msg == WM_SYSCOLORCHANGE) {
    // The common controls keep the system colours they read; a top-level window passes the change on.
    EnumChildWindows(Handle(), PassSysColorChange, 0);
  }
  if (IsLookChange(msg, wParam, lParam)) {
    // The user switched apps between light and dark, or high contrast on or off:
    // the window follows at once. The message goes on to the default handling.
    view_.SetPalette(CurrentPalette(kThemeName));
    return false;
  }
  switch (msg) {
    case WM_USER:  // a second copy's request (and DM_GETDEFID, which it ignores)
      result = form_.WMInstanceRequest(wParam);
      return true;
    case WM_QUERYENDSESSION:
      result = form_.WMQueryEndSession();
      return true;
    case Win32TrayShell::kCallbackMessage:
      if (!form_.TrayIcon) return true;
      switch (LOWORD(lParam)) {
        case WM_LBUTTONDOWN:
          leftButtonDown_ = true;
          break;
        case WM_LBUTTONUP:
          // A click is a press and a release on the icon.
          if (std::exchange(leftButtonDown_, false)) form_.TrayIcon->LeftClick();
          break;
        case WM_RBUTTONUP:
          form_.TrayIcon->RightButtonUp();
          break;
        default:
          break;
      }
      result = 0;
      return true;
    default:
      if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        if (form_.TrayIcon) form_.TrayIcon->TaskbarCreated();
        result = 0;
        return true;
      }
      return false;
  }
}

}  // namespace zeph::win32
