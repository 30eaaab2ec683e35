#pragma once
// Workers on Win32: one detached system thread per body. A worker's failures are the
// silent kind (network, kernel requests), so an exception that escapes a body ends
// that worker quietly instead of terminating the program.
#include "common/dispatcher.h"

namespace zeph::win32 {

class DetachedThreads final : public ThreadStarter {
 public:
  // Throws zeph::Error when Windows can start no thread.
  void Start(std::function<void()> body) override;
};

}  // namespace zeph::win32
