#pragma once
// The program's start-up: one copy per log-on, and a second start turned into a
// request to the copy that already runs. The decision is made here over a small
// seam (app/win32/startup_win32.h is the real one), so the whole command-line
// contract is tested on the host; main.cpp supplies what a main copy runs.
//
//   first argument   no copy runs                     a copy runs
//   none / other     main copy, window shown           request 1 (show), end
//   "/start"         main copy, hidden in the tray     end, nothing sent
//   "/inst"          main copy (registers the task)    request 1 (show), end
//   "/uninst"        end at once                        request 2, wait up to 1 s, end
//
// Only the first argument counts, compared whole and case-sensitively.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/tray/window_system.h"

namespace zeph::app {

// The main window's class name and the name of the mutex a running copy holds.
inline constexpr wchar_t kInstanceName[] = L"TFrmTidewell";
inline constexpr std::uint32_t kWmUser = 0x0400;

inline constexpr wchar_t kArgStart[] = L"/start";
inline constexpr wchar_t kArgInstall[] = L"/inst";
inline constexpr wchar_t kArgUninstall[] = L"/uninst";

// How long a "/uninst" start waits for the running copy's window to go away.
inline constexpr int kUninstallWaitTests = 10;
inline constexpr std::uint32_t kUninstallWaitStepMs = 100;

// Outcome of taking the instance mutex.
enum class MutexResult {
  Created,        // this process now owns the name
  AlreadyExists,  // another copy holds it (also when it is held beyond our access)
  Failed,         // the system made no mutex at all
};

// The window and process services start-up needs; one method per Windows call.
class InstanceServices {
 public:
  virtual ~InstanceServices() = default;
  // FindWindowW(className, no title); hidden windows count. 0 when there is none.
  virtual tray::WindowHandle FindWindowOfClass(const std::wstring& className) = 0;
  // CreateMutexW(no security, initially owned, name), telling whether the name
  // already existed. The handle stays open until the process ends.
  virtual MutexResult CreateNamedMutex(const std::wstring& name) = 0;
  // SendMessageW: returns after the receiving thread has handled the message, or
  // gives up with 0 when that thread is hung or takes too long.
  virtual std::intptr_t SendMessageTo(tray::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) = 0;
  virtual bool IsWindow(tray::WindowHandle window) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// args: the command-line arguments after the program's own name. runMainCopy
// initialises the toolkit, applies the theme, creates the main window and runs the
// message loop; it is called only once this process holds the instance mutex, and
// its result is the exit code. Forwarding copies end with 0.
int RunStartup(InstanceServices& services, const std::vector<std::wstring>& args,
               const std::function<int()>& runMainCopy);

}  // namespace zeph::app
