#include "app/win32/services/startup_win32.h"

#include <windows.h>

#include "common/win32/handles.h"
#include "crash/win32/crash_handler.h"

namespace zeph::win32 {

namespace {
HWND ToHwnd(tray::WindowHandle window) { return reinterpret_cast<HWND>(window); }
}  // namespace

tray::WindowHandle Win32InstanceServices::FindWindowOfClass(const std::wstring& className) {
  return reinterpret_cast<tray::WindowHandle>(::FindWindowW(className.c_str(), nullptr));
}

app::MutexResult Win32InstanceServices::CreateNamedMutex(const std::wstring& name) {
  win32::UniqueHandle mutex(::CreateMutexW(nullptr, TRUE, name.c_str()));
  const DWORD error = ::GetLastError();
  if (mutex && error == ERROR_ALREADY_EXISTS) return app::MutexResult::AlreadyExists;
  // Held for the life of the process; a restart after a crash lets it go first.
  if (mutex) {
    crash::SetInstanceMutex(mutex.release());
    return app::MutexResult::Created;
  }
  // A copy running under other security settings holds the name beyond our reach;
  // it is still a running copy.
  return error == ERROR_ACCESS_DENIED ? app::MutexResult::AlreadyExists : app::MutexResult::Failed;
}

std::intptr_t Win32InstanceServices::SendMessageTo(tray::WindowHandle window, std::uint32_t message,
                                                 std::uintptr_t wParam, std::intptr_t lParam) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(ToHwnd(window), message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             requestTimeoutMs_, &result)) {
    return 0;
  }
  return static_cast<std::intptr_t>(result);
}

bool Win32InstanceServices::IsWindow(tray::WindowHandle window) { return ::IsWindow(ToHwnd(window)) != FALSE; }

void Win32InstanceServices::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace zeph::win32
