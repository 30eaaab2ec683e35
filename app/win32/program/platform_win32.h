#pragma once
// The one bundle of the window's real platform seams (each in its own file, in
// services/ and dialogs/) that the program hands to TFrmTidewell.
#include <windows.h>

#include "app/platform.h"
#include "app/win32/dialogs/message_boxes_win32.h"
#include "app/win32/services/app_clock_win32.h"
#include "app/win32/services/command_line.h"
#include "app/win32/services/tray_shell_win32.h"
#include "app/win32/services/window_dispatcher.h"
#include "app/win32/services/window_system_win32.h"
#include "app/win32/services/worker_threads.h"
#include "autostart/win32/task_scheduler_win32.h"
#include "common/win32/number_format_win32.h"
#include "config/win32/registry_win32.h"
#include "memory/win32/kernel_win32.h"
#include "translate/win32/translate_win32.h"
#include "update/win32/platform_win32.h"

namespace zeph::win32 {

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

}  // namespace zeph::win32
