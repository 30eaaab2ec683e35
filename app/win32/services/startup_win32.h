#pragma once
// The real window and process services behind start-up (app/startup.h).
#include "app/startup.h"

namespace zeph::win32 {

class Win32InstanceServices final : public app::InstanceServices {
 public:
  // How long a request may take before this copy gives up on the running one: long
  // enough for it to remove its log-on task, short of a hang.
  static constexpr std::uint32_t kRequestTimeoutMs = 10000;
  explicit Win32InstanceServices(std::uint32_t requestTimeoutMs = kRequestTimeoutMs)
      : requestTimeoutMs_(requestTimeoutMs) {}

  tray::WindowHandle FindWindowOfClass(const std::wstring& className) override;
  // A created mutex's handle is deliberately never closed: the name marks this copy
  // as the running one until the process ends, and the system releases it then. One
  // that already existed is let go at once: a copy that only forwards a request must
  // not keep the name alive after the running copy has ended (a restart's fresh copy
  // would take it for a running one).
  app::MutexResult CreateNamedMutex(const std::wstring& name) override;
  // SendMessageTimeoutW, aborted when the running copy is hung and bounded by the
  // request timeout: a forwarding copy never waits for ever. 0 when it gave up.
  std::intptr_t SendMessageTo(tray::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  bool IsWindow(tray::WindowHandle window) override;
  void Sleep(std::uint32_t milliseconds) override;

 private:
  std::uint32_t requestTimeoutMs_;
};

}  // namespace zeph::win32
