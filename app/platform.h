#pragma once
// Every platform seam the main window reaches, in one bundle. app/win32 fills it
// with the real implementations; tests fill it with fakes (app/testing/test_window.h).
// Members are pointers so a subsystem can add its seam here with one line without
// touching the places that build the bundle; a seam a code path needs must be set.
#include <functional>

#include "app/application.h"
#include "app/tray/tray_shell.h"
#include "app/tray/window_system.h"
#include "autostart/task_scheduler.h"
#include "common/clock.h"
#include "common/dispatcher.h"
#include "common/format.h"
#include "config/registry.h"
#include "memory/kernel.h"
#include "translate/translate.h"
#include "update/platform.h"
#include "update/update.h"

namespace zeph::app {

// The local clock (common/clock.h): days since 1899-12-30, time of day as the fraction.
using Clock = zeph::Clock;

struct Platform {
  memory::Kernel* kernel = nullptr;
  UiDispatcher* dispatcher = nullptr;
  ThreadStarter* threads = nullptr;
  Clock* clock = nullptr;
  MessageBoxes* messageBoxes = nullptr;
  tray::WindowSystem* windows = nullptr;
  tray::TrayShell* trayShell = nullptr;
  const translate::LocaleSource* locale = nullptr;
  // The user's thousands and decimal separators for the status lines.
  NumberFormatSource* numberFormat = nullptr;
  // Seams of config/, autostart/ and update/ go below, one line each.
  config::Registry* registry = nullptr;                 // the settings store
  autostart::TaskScheduler* taskScheduler = nullptr;    // the log-on task
  const update::VersionBlock* versionBlock = nullptr;   // the running exe's version
  update::Shell* shell = nullptr;                       // web pages in the default browser
  update::AddressBox* addressBox = nullptr;             // a page's address where the shell can't open it
  // The services of one update check (a fresh stop event each time); FormCreate
  // fills in the owner, the title and the user's language.
  std::function<update::UpdateCheckEnvironment()> newUpdateCheck;
};

}  // namespace zeph::app
