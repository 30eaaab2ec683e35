#pragma once
// The UI hand-over on Win32: work from a worker thread reaches the window's thread
// as the private message kMessage. Queue posts and returns; Invoke sends and waits.
// The queued work itself stays here, not in the message, so work that can no longer
// run (the window is gone, the message queue is full) is always freed.
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

#include "common/dispatcher.h"

namespace zeph::win32 {

class WindowDispatcher final : public UiDispatcher {
 public:
  static constexpr UINT kMessage = WM_APP + 0x101;

  // UI thread: from now on work goes to `window`.
  void Attach(HWND window);
  // UI thread, when the window is being destroyed: pending work is dropped and
  // freed, later work is refused.
  void Detach();

  void Queue(std::function<void()> work) override;
  bool Invoke(std::function<void()> work) override;

  // For the window procedure: handles kMessage (running one piece of work) and
  // returns true; false for every other message.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  std::size_t PendingForTest();

 private:
  std::mutex mutex_;
  HWND window_ = nullptr;
  std::deque<std::function<void()>> queued_;
};

}  // namespace zeph::win32
