#pragma once
// GoogleTest's Notification for the Windows builds: its own stands on std::mutex and
// std::condition_variable, which the win32 thread model lacks (mingw-common.cmake).
// Only GoogleTest's own thread helper (ThreadWithParam) waits on one. Forced into
// every file that includes GoogleTest (Tidewell.cmake), without <windows.h>, which
// GoogleTest's headers keep out.
#include <atomic>

extern "C" __declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_ = true; }
  void WaitForNotification() {
    while (!notified_) Sleep(1);
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal

#define GTEST_HAS_NOTIFICATION_ 1
