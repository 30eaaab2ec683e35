#pragma once
// The UI hand-over on Win32: work from a worker thread reaches the window's thread
// as the private message kMessage. Queue posts and returns; Invoke posts and waits.
// The work itself always stays here, never in the message: any process can send
// the window this message with anything in it, so the message only says "run the
// oldest queued piece" or names a synchronous call by a number this dispatcher
// issued. A message naming nothing pending runs nothing. Work that can no longer
// run (the window is gone, the message queue is full) is always freed.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "app/win32/services/window_messages.h"
#include "common/dispatcher.h"
#include "common/win32/threads.h"

namespace zeph::win32 {

class WindowDispatcher final : public UiDispatcher {
 public:
  static constexpr UINT kMessage = window_messages::kDispatcherWork;

  // UI thread: from now on work goes to `window`.
  void Attach(HWND window);
  // UI thread, when the window is being destroyed: pending work is dropped and
  // freed, workers waiting in Invoke return false, later work is refused.
  void Detach();

  void Queue(std::function<void()> work) override;
  // On the window's thread the work runs at once. From a worker it waits until the
  // window's thread has run it, or until the window goes (false).
  bool Invoke(std::function<void()> work) override;

  // For the window procedure: handles kMessage (running at most one piece of work)
  // and returns true; false for every other message.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Queued work and synchronous calls not yet taken up by the window's thread.
  std::size_t PendingForTest();

 private:
  // One synchronous call, shared by the waiting worker and the window's thread.
  struct SentCall {
    enum class State { Pending, Running, Done, Dropped };
    std::function<void()> work;
    State state = State::Pending;
  };

  void RunSent(LPARAM token, LRESULT& result);

  Mutex mutex_;
  ConditionVariable callEnded_;
  HWND window_ = nullptr;
  std::deque<std::function<void()>> queued_;
  std::map<std::uintptr_t, std::shared_ptr<SentCall>> sent_;
  std::uintptr_t nextToken_ = 1;
};

}  // namespace zeph::win32
