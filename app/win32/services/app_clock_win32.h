#pragma once
#include "app/platform.h"
#include "common/win32/clock_win32.h"

namespace zeph::win32 {

// Delphi-style local time for the window's clock.
class Win32AppClock final : public app::Clock {
 public:
  double Now() override { return clock_.Now(); }

 private:
  Win32Clock clock_;
};

}  // namespace zeph::win32
