#pragma once
// A clock the test moves by hand. Time is kept in whole milliseconds so that "300
// seconds later" is exactly that; each reading can also move it on by itself, which
// lets a test tell apart two readings taken within one handler run.
#include <cstdint>

#include "common/clock.h"

namespace zeph::testing {

class FakeClock : public Clock {
 public:
  explicit FakeClock(DateTime start = EncodeDateTime(2024, 5, 17, 9, 0, 0, 0)) : ms_(DateTimeToMilliseconds(start)) {}

  DateTime Now() override {
    ++reads;
    const DateTime now = Peek();
    ms_ += stepPerReadMs;
    return now;
  }

  DateTime Peek() const { return static_cast<double>(ms_) / kMillisecondsPerDay; }
  void AdvanceMs(std::int64_t ms) { ms_ += ms; }
  void AdvanceSeconds(std::int64_t seconds) { ms_ += seconds * 1000; }
  void Set(DateTime value) { ms_ = DateTimeToMilliseconds(value); }

  std::int64_t stepPerReadMs = 0;
  int reads = 0;

 private:
  std::int64_t ms_;
};

}  // namespace zeph::testing
