#pragma once
// The bracket every Task Scheduler call from the UI thread stands in:
//
//   ComApartment com(scheduler);
//   if (com.ok()) SetAutoStartTask(scheduler, kAutoStartTaskName, true, kAutoStartDelaySeconds);
//
// Only a successful CoInitialize (S_OK, or S_FALSE when the thread already had
// one) is balanced; a failed one (e.g. RPC_E_CHANGED_MODE) must not be.
#include "autostart/task_scheduler.h"

namespace zeph::autostart {

class ComApartment {
 public:
  explicit ComApartment(TaskScheduler& scheduler)
      : scheduler_(scheduler), ok_(Succeeded(scheduler.InitializeApartment())) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (ok_) scheduler_.UninitializeApartment();
  }

  bool ok() const noexcept { return ok_; }

 private:
  TaskScheduler& scheduler_;
  bool ok_;
};

}  // namespace zeph::autostart
