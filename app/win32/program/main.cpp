// Tidewell's entry point. One copy runs per log-on: a second start becomes a request
// to the running copy (app/startup.h). The main copy applies the theme, loads the
// translation table, creates the main window, runs its creation handler and then
// the message loop until the window closes.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/frm_tidewell.h"
#include "app/startup.h"
#include "app/win32/dialogs/address_box.h"
#include "app/win32/dialogs/crash_dialog.h"
#include "app/win32/look/dpi.h"
#include "app/win32/look/palette.h"
#include "app/win32/program/main_window.h"
#include "app/win32/program/message_loop.h"
#include "app/win32/program/platform_win32.h"
#include "app/win32/services/startup_win32.h"
#include "common/win32/system_library.h"
#include "crash/win32/crash_handler.h"
#include "translate/program_texts.h"
#include "translate/translate.h"
#include "update/win32/platform_win32.h"

namespace {

using namespace zeph;

// The window's services and those the window's commands add: the shell and the
// address box for the web pages, and a fresh set of services for each update check.
struct ProgramServices {
  win32::Win32Services window;
  update::Win32Shell shell;
  win32::Win32AddressBox addressBox{window.boxes};

  app::Platform Bundle() {
    app::Platform platform = window.Bundle();
    platform.shell = &shell;
    platform.addressBox = &addressBox;
    // These services are never destroyed, so a check's worker may refer to the
    // dispatcher for as long as it runs; once the window is gone the dispatcher
    // drops what it is handed.
    std::shared_ptr<UiDispatcher> ui(std::shared_ptr<void>(), &window.dispatcher);
    platform.newUpdateCheck = [ui, &boxes = window.boxes, this] {
      update::UpdateCheckEnvironment environment = update::Win32UpdateCheckEnvironment(0, {}, {}, ui);
      // The update check's question is one of the program's boxes, in the window's look.
      environment.prompt = std::shared_ptr<MessageBoxes>(std::shared_ptr<void>(), &boxes);
      environment.addressBox = std::shared_ptr<update::AddressBox>(std::shared_ptr<void>(), &addressBox);
      return environment;
    };
    return platform;
  }
};

ProgramServices* g_services = nullptr;

// A crashed program's icon would stay in the tray until the mouse passes over it.
void RemoveTrayIcon() {
  if (g_services) g_services->window.trayShell.Delete();
}

// The crash watcher starts on the UI thread a moment after the window shows, so that
// starting a second process of the exe does not compete with the window's first
// paint and the start's workers (a thread of its own would cost the program about
// 1 MB under Wine for good); a crash before it runs is reported in-process.
HWND g_trayWindow = nullptr;

void CALLBACK StartCrashWatcher(HWND, UINT, UINT_PTR timer, DWORD) {
  constexpr UINT kTrayIconId = 1;  // Win32TrayShell's icon of the window
  ::KillTimer(nullptr, timer);
  crash::StartWatcher(g_trayWindow, kTrayIconId);
}

void StartCrashWatcherSoon(HWND window) {
  constexpr UINT kAfterShowMs = 1000;
  g_trayWindow = window;
  ::SetTimer(nullptr, 0, kAfterShowMs, StartCrashWatcher);
}

int RunMainCopy(std::vector<std::wstring> args) {
  win32::EnablePerMonitorDpiAwareness();
  const win32::Palette palette = win32::ApplyTheme(win32::kThemeName);

  // Workers may still hand work to the dispatcher while the process ends, so the
  // services are never destroyed: the process ending releases them.
  ProgramServices& services = *new ProgramServices;
  g_services = &services;
  translate::LoadTranslationTable(services.window.resources);
  translate::LoadProgramTexts(services.window.resources, services.window.locale);
  const app::Platform platform = services.Bundle();
  app::Application application(services.window.windows, services.window.boxes, std::move(args));
  // Before the first window: a crash from here on is reported, and an error no code
  // caught gets its report and the choice to restart.
  win32::InstallCrashReporting(application, RemoveTrayIcon);
  win32::Win32ErrorReporter errorReporter;
  application.SetErrorReporter(&errorReporter);
  app::TFrmTidewell form(platform, application);
  win32::MainWindow window(form, application, services.window, palette);
  if (!window.Create()) return 1;
  // An error ends creation at its step; the user is shown it and the program goes on
  // with what was set up.
  application.Guard([&] { form.FormCreate(); });
  window.Show();
  StartCrashWatcherSoon(window.Handle());
  return win32::RunMessageLoop(window.Handle());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL by name: the program runs elevated, and its own
  // folder may be one where others can write.
  zeph::RestrictDllSearchToSystem32();
  const std::vector<std::wstring> args = win32::CommandLineArgs();
  // The crash watcher a main copy starts; for every other first argument, the program.
  if (win32::RunCrashWatcherIfAsked(args)) return 0;
  win32::Win32InstanceServices instances;
  return app::RunStartup(instances, args, [&] { return RunMainCopy(args); });
}
