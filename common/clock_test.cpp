#include "common/clock.h"

#include <gtest/gtest.h>

namespace zeph {
namespace {

TEST(Clock, DatesCountDaysFromTheEndOf1899) {
  struct Case {
    int year, month, day;
    std::int64_t days;
  };
  const Case cases[] = {
      {1899, 12, 30, 0},    {1899, 12, 31, 1},   {1900, 1, 1, 2},      {1900, 3, 1, 61},  // 1900 is no leap year
      {2000, 2, 29, 36585}, {2000, 3, 1, 36586}, {2024, 5, 17, 45429}, {1899, 12, 29, -1}, {1600, 1, 1, -109571},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeDate(c.year, c.month, c.day), c.days) << c.year << "-" << c.month << "-" << c.day;
  }
  EXPECT_EQ(EncodeDateTime(2024, 5, 17, 12, 0, 0, 0), 45429.5);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);  // the fraction runs forward in a negative day
}

TEST(Clock, SecondsBetweenDropsTheRemainderAndIgnoresDirection) {
  struct Case {
    DateTime a, b;
    std::int64_t seconds;
  };
  const DateTime t0 = EncodeDateTime(2024, 5, 17, 9, 0, 0, 0);
  const Case cases[] = {
      {t0, t0, 0},
      {EncodeDateTime(2024, 5, 17, 9, 0, 0, 999), t0, 0},
      {EncodeDateTime(2024, 5, 17, 9, 0, 1, 0), t0, 1},
      {EncodeDateTime(2024, 5, 17, 9, 0, 1, 999), t0, 1},
      {EncodeDateTime(2024, 5, 17, 9, 4, 59, 999), t0, 299},
      {EncodeDateTime(2024, 5, 17, 9, 5, 0, 0), t0, 300},
      {t0, EncodeDateTime(2024, 5, 17, 9, 5, 0, 0), 300},  // a clock set back counts as elapsed
      {EncodeDateTime(2024, 5, 18, 0, 0, 0, 500), EncodeDateTime(2024, 5, 17, 23, 59, 59, 0), 1},
      {EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), 18 * 3600},
      {EncodeDateTime(2024, 1, 1, 0, 0, 0, 0), EncodeDateTime(2023, 1, 1, 0, 0, 0, 0), 365 * 86400},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SecondsBetween(c.a, c.b), c.seconds) << "case #" << (&c - cases);
  }
}

TEST(Clock, MillisecondsRoundToNearest) {
  const DateTime t0 = EncodeDateTime(2024, 5, 17, 9, 0, 0, 0);
  const double ms = 1.0 / kMillisecondsPerDay;
  EXPECT_EQ(DateTimeToMilliseconds(t0 + 0.4 * ms), DateTimeToMilliseconds(t0));
  EXPECT_EQ(DateTimeToMilliseconds(t0 + 0.6 * ms), DateTimeToMilliseconds(t0) + 1);
  EXPECT_EQ(DateTimeToMilliseconds(t0 - 0.6 * ms), DateTimeToMilliseconds(t0) - 1);
}

}  // namespace
}  // namespace zeph
