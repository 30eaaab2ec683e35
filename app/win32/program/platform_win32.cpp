#include "app/win32/program/platform_win32.h"

namespace zeph::win32 {

app::Platform Win32Services::Bundle() {
  app::Platform p;
  p.kernel = &kernel;
  p.dispatcher = &dispatcher;
  p.threads = &threads;
  p.clock = &clock;
  p.messageBoxes = &boxes;
  p.windows = &windows;
  p.trayShell = &trayShell;
  p.locale = &locale;
  p.numberFormat = &numberFormat;
  p.registry = &registry;
  p.taskScheduler = &taskScheduler;
  p.versionBlock = &versionBlock;
  return p;
}

}  // namespace zeph::win32
