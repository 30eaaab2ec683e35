#pragma once
// The real local clock: GetLocalTime, encoded as a day count with the time as fraction.
#include "common/clock.h"

namespace zeph {

class Win32Clock final : public Clock {
 public:
  DateTime Now() override;
};

}  // namespace zeph
