#include "app/startup.h"

#include "app/frm_tidewell.h"

namespace zeph::app {

namespace {

// Asks the running copy to remove the log-on task and quit, then gives its window
// up to a second to go away. A copy that takes longer closes on its own time.
void ForwardUninstall(InstanceServices& services, tray::WindowHandle running) {
  if (running != 0) services.SendMessageTo(running, kWmUser, kRequestUninstall, 0);
  for (int test = 0; test < kUninstallWaitTests; ++test) {
    if (!services.IsWindow(running)) return;
    services.Sleep(kUninstallWaitStepMs);
  }
}

}  // namespace

int RunStartup(InstanceServices& services, const std::vector<std::wstring>& args,
               const std::function<int()>& runMainCopy) {
  const std::wstring first = args.empty() ? std::wstring() : args.front();

  // Looked up before anything else, so "/uninst" reaches a copy without ever
  // touching the mutex.
  const tray::WindowHandle running = services.FindWindowOfClass(kInstanceName);

  if (first == kArgUninstall) {
    ForwardUninstall(services, running);
    return 0;
  }

  // Creating the mutex and learning whether it already existed is one step, so two
  // copies started at the same instant cannot both become the main copy. When the
  // system makes no mutex at all the program still runs, just without the guard.
  if (services.CreateNamedMutex(kInstanceName) == MutexResult::AlreadyExists) {
    // The log-on task firing while a copy runs must not pop its window up. A copy
    // whose window was not found (still being created) loses the request.
    if (first != kArgStart && running != 0) services.SendMessageTo(running, kWmUser, kRequestShow, 0);
    return 0;
  }

  return runMainCopy();
}

}  // namespace zeph::app
