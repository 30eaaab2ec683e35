// Tidewell's entry point: the theme, the translation table, the main window with
// its tray icon, and the message loop until the window closes.
#include <windows.h>

#include <memory>

#include "app/frm_tidewell.h"
#include "app/win32/dpi.h"
#include "app/win32/main_window.h"
#include "app/win32/message_loop.h"
#include "app/win32/palette.h"
#include "app/win32/platform_win32.h"
#include "translate/translate.h"

namespace {

// The settings, with the window's language and title, come from LoadConfig.
void SetUpWindow(zeph::app::TFrmTidewell& form, zeph::app::Application& application,
                 zeph::win32::Win32Services& services) {
  using namespace zeph;
  form.SetFont(services.windows.IconTitleFont());
  form.LoadConfig();

  form.TrayIcon = std::make_unique<tray::TTrayIcon>(&form, services.trayShell, application);
  form.TrayIcon->SetHint(form.Caption());
  form.TrayIcon->PopupMenu = &form.Popup;
  form.TrayIcon->OnClick = [&form](ui::Component& sender) { form.TrayIconClick(sender); };
  form.TrayIcon->SetVisible(true);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace zeph;
  win32::EnablePerMonitorDpiAwareness();
  const win32::Palette palette = win32::ApplyTheme(L"Quillmere");

  // Workers may still hand work to the dispatcher while the process ends, so the
  // services are never destroyed: the process ending releases them.
  win32::Win32Services& services = *new win32::Win32Services;
  translate::LoadTranslationTable(services.resources);
  const app::Platform platform = services.Bundle();
  app::Application application(services.windows, services.boxes, win32::CommandLineArgs());
  app::TFrmTidewell form(platform, application);
  win32::MainWindow window(form, application, services, palette);
  if (!window.Create()) return 1;
  application.Guard([&] { SetUpWindow(form, application, services); });
  window.Show();
  return win32::RunMessageLoop(window.Handle());
}
