#pragma once
// How worker threads hand work to the user-interface thread. On Win32 it is a
// private window message carrying the work (app/win32); tests use
// common/testing/manual_dispatcher.h and pump it themselves.
#include <functional>

namespace zeph {

class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  // Runs `work` on the UI thread later and returns at once. Work that arrives after
  // the window has closed is dropped, never run on a dead window.
  virtual void Queue(std::function<void()> work) = 0;
  // Runs `work` on the UI thread and waits until it has run. Returns false when it
  // could not run because the window is gone.
  virtual bool Invoke(std::function<void()> work) = 0;
};

// Starts short-lived worker threads that nobody joins; each ends when its body returns.
class ThreadStarter {
 public:
  virtual ~ThreadStarter() = default;
  virtual void Start(std::function<void()> body) = 0;
};

}  // namespace zeph
