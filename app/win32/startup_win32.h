#pragma once
// The real window and process services behind start-up (app/startup.h).
#include "app/startup.h"

namespace zeph::win32 {

class Win32InstanceServices final : public app::InstanceServices {
 public:
  tray::WindowHandle FindWindowOfClass(const std::wstring& className) override;
  // The mutex handle is deliberately never closed: the name marks this copy as the
  // running one until the process ends, and the system releases it then.
  app::MutexResult CreateNamedMutex(const std::wstring& name) override;
  std::intptr_t SendMessageTo(tray::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  bool IsWindow(tray::WindowHandle window) override;
  void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace zeph::win32
