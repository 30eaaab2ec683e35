#pragma once
// Local date-time as the program keeps it (NextTime and every "now"): a double
// counting days since 1899-12-30, the time of day as its fraction. The clock is a
// seam so tests can move time; common/win32/clock_win32.h reads GetLocalTime.
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace zeph {

using DateTime = double;

inline constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

class Clock {
 public:
  virtual ~Clock() = default;
  // The current local date and time.
  virtual DateTime Now() = 0;
};

// Days since 1899-12-30 for a proleptic Gregorian date (month 1-12, day 1-31).
constexpr std::int64_t EncodeDate(int year, int month, int day) {
  constexpr int kDaysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const std::int64_t y = year - 1;
  const std::int64_t daysSinceYearOne =
      y * 365 + y / 4 - y / 100 + y / 400 + kDaysBeforeMonth[month - 1] + (leap && month > 2 ? 1 : 0) + day;
  return daysSinceYearOne - 693'594;  // 693,594 days lie between 0001-01-01 and 1899-12-30
}

constexpr DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  const std::int64_t days = EncodeDate(year, month, day);
  const double time = static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) /
                      static_cast<double>(kMillisecondsPerDay);
  // Before 1899-12-30 the fraction counts forward from the start of a negative day.
  return days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
}

// The instant in whole milliseconds, rounded half away from zero. Before 1899-12-30
// the integer part is the day and the fraction still runs forward within that day,
// so the two parts are taken apart before they are combined.
inline std::int64_t DateTimeToMilliseconds(DateTime value) {
  const std::int64_t ms = std::llround(value * static_cast<double>(kMillisecondsPerDay));
  return (ms / kMillisecondsPerDay) * kMillisecondsPerDay + std::llabs(ms % kMillisecondsPerDay);
}

// Whole seconds between two instants, remainder dropped. The difference is absolute:
// a clock set back counts as time that has passed.
inline std::int64_t SecondsBetween(DateTime a, DateTime b) {
  return std::llabs(DateTimeToMilliseconds(a) - DateTimeToMilliseconds(b)) / 1000;
}

}  // namespace zeph
