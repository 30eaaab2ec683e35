#pragma once
// Test doubles for the UI hand-over and worker threads: nothing runs until the test
// says so, so a test can stand between "the worker queued it" and "the UI ran it".
#include <deque>
#include <functional>
#include <utility>

#include "common/dispatcher.h"

namespace zeph::testing {

class ManualDispatcher : public UiDispatcher {
 public:
  void Queue(std::function<void()> work) override {
    if (!closed) queued.push_back(std::move(work));
  }
  // The test thread stands for the UI thread, so a synchronous call runs inline.
  bool Invoke(std::function<void()> work) override {
    ++invokes;
    if (closed) return false;
    work();
    return true;
  }
  // Runs everything queued so far (and whatever that queues in turn); returns the count.
  int Pump() {
    int ran = 0;
    while (!queued.empty()) {
      auto work = std::move(queued.front());
      queued.pop_front();
      if (closed) continue;
      work();
      ++ran;
    }
    return ran;
  }
  // The window has gone: pending and later work is dropped.
  void Close() { closed = true; }

  std::deque<std::function<void()>> queued;
  int invokes = 0;
  bool closed = false;
};

class ManualThreads : public ThreadStarter {
 public:
  void Start(std::function<void()> body) override { bodies.push_back(std::move(body)); }
  // Runs the oldest started thread's body to its end on the test thread.
  bool RunNext() {
    if (bodies.empty()) return false;
    auto body = std::move(bodies.front());
    bodies.pop_front();
    body();
    return true;
  }
  std::deque<std::function<void()>> bodies;
};

}  // namespace zeph::testing
