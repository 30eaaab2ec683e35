#pragma once
// Workers on Win32: a detached std::thread per body. A worker's failures are the
// silent kind (network, kernel requests), so an exception that escapes a body ends
// that worker quietly instead of terminating the program.
#include <thread>

#include "common/dispatcher.h"

namespace zeph::win32 {

class DetachedThreads final : public ThreadStarter {
 public:
  void Start(std::function<void()> body) override {
    std::thread([body = std::move(body)] {
      try {
        body();
      } catch (...) {
      }
    }).detach();
  }
};

}  // namespace zeph::win32
