#pragma once
// The real Task Scheduler 2.0 behind the seam, through COM. Each session owns the
// interfaces of one operation and releases them when it is destroyed.
#include "autostart/task_scheduler.h"

namespace zeph::autostart {

class Win32TaskScheduler final : public TaskScheduler {
 public:
  HResult InitializeApartment() override;
  void UninitializeApartment() override;
  HResult InitializeSecurity(const SecurityParameters& parameters) override;
  HResult CreateTaskService(std::unique_ptr<TaskSession>& session) override;
  HResult ExecutablePath(std::wstring& path) override;
};

}  // namespace zeph::autostart
