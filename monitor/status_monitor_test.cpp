#include "monitor/status_monitor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/testing/fake_clock.h"

namespace zeph::monitor {
namespace {

using memory::MemorySnapshot;
using memory::Page;
using memory::Phys;
using memory::Work;

TEST(MB, RoundsToNearestWithHalvesToEven) {
  struct Case {
    std::uint64_t bytes, mb;
  };
  constexpr std::uint64_t M = kBytesPerMb;
  const Case cases[] = {
      {0, 0},
      {1, 0},
      {M / 2, 0},  // half of 0 MB: stays even
      {M / 2 + 1, 1},
      {M, 1},
      {M + M / 2, 2},      // 1.5 -> 2
      {2 * M + M / 2, 2},  // 2.5 -> 2
      {3 * M + M / 2, 4},  // 3.5 -> 4
      {3 * M + M / 2 - 1, 3},
      {17'112'977'408ull, 16'320},
      {8'112'977'408ull, 7'737},
      {std::numeric_limits<std::uint64_t>::max(), 1ull << 44},
  };
  for (const auto& c : cases) EXPECT_EQ(MB(c.bytes), c.mb) << c.bytes;
}

TEST(ProgressPosition, RoundsHalvesToEvenWithinTheBarsRange) {
  struct Case {
    float percent;
    int position;
  };
  const Case cases[] = {
      {47.408333f, 47},
      {83.2f, 83},
      {47.5f, 48},
      {48.5f, 48},
      {0.5f, 0},
      {1.5f, 2},
      {99.5f, 100},
      {99.49f, 99},
      {100.0f, 100},
      {0.0f, 0},
      {-3.0f, 0},
      {1e20f, 100},
      {std::numeric_limits<float>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgressPosition(c.percent), c.position) << c.percent;
}

TEST(ParseInt64, ReadsWholeSignedDecimalsOnly) {
  struct Case {
    const wchar_t* text;
    std::optional<std::int64_t> value;
  };
  const Case cases[] = {
      {L"80", 80},
      {L"5", 5},
      {L"  30", 30},
      {L"+7", 7},
      {L"-7", -7},
      {L"007", 7},
      {L"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {L"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {L"9223372036854775808", std::nullopt},
      {L"-9223372036854775809", std::nullopt},
      {L"", std::nullopt},
      {L" ", std::nullopt},
      {L"-", std::nullopt},
      {L"80 ", std::nullopt},
      {L"8 0", std::nullopt},
      {L"1e2", std::nullopt},
      {L"80%", std::nullopt},
      {L"\uFF18\uFF10", std::nullopt},  // full-width digits are not digits here
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInt64(c.text), c.value) << "\"" << c.text << "\"";
}

// One policy decision: the figures, the four rules, and how far the clock has moved
// from NextTime (negative: the clock was set back behind NextTime).
struct PolicyCase {
  const char* name;
  float phys, page, work;
  AutoCleanSettings settings;
  std::int64_t elapsedMs;
  bool due;
};

constexpr AutoCleanRule On(const wchar_t* text) { return {true, text}; }
constexpr AutoCleanRule Off(const wchar_t* text = L"30") { return {false, text}; }

TEST(AutoCleanDue, FollowsTheFourRulesAndThePause) {
  const PolicyCase cases[] = {
      {"all boxes cleared never clean", 100, 100, 100, {Off(), Off(), Off(), Off(L"5")}, 10'000'000, false},
      {"usage equal to the threshold", 80.0f, 0, 0, {On(L"80"), Off(), Off(), Off()}, 300'000, true},
      {"just below the threshold", 79.99f, 0, 0, {On(L"80"), Off(), Off(), Off()}, 10'000'000, false},
      {"above the threshold inside the pause", 83.2f, 0, 0, {On(L"80"), Off(), Off(), Off()}, 299'999, false},
      {"the road of one clean: 83.2 over 80 after 412 s", 83.2f, 0, 0, {On(L"80"), Off(), Off(), Off()}, 412'000, true},
      {"empty usage text means 100 percent", 99.99f, 0, 0, {On(L""), Off(), Off(), Off()}, 10'000'000, false},
      {"100 percent meets an empty usage text", 100.0f, 0, 0, {On(L""), Off(), Off(), Off()}, 10'000'000, true},
      {"page figure against its own threshold", 0, 50.0f, 0, {Off(), On(L"50"), Off(), Off()}, 300'000, true},
      {"page figure below", 0, 49.9f, 0, {Off(), On(L"50"), Off(), Off()}, 300'000, false},
      {"working set against its own threshold", 0, 0, 30.0f, {Off(), Off(), On(L"30"), Off()}, 300'000, true},
      {"an unchecked box is not compared", 90, 90, 90, {Off(L"30"), Off(L"30"), Off(L"30"), Off()}, 999'000, false},
      {"each figure uses its own box", 90, 0, 0, {Off(L"30"), On(L"30"), On(L"30"), Off()}, 999'000, false},
      {"five minutes reached", 0, 0, 0, {Off(), Off(), Off(), On(L"5")}, 300'000, true},
      {"five minutes not reached", 0, 0, 0, {Off(), Off(), Off(), On(L"5")}, 299'999, false},
      {"ten minutes not reached", 0, 0, 0, {Off(), Off(), Off(), On(L"10")}, 599'999, false},
      {"ten minutes reached", 0, 0, 0, {Off(), Off(), Off(), On(L"10")}, 600'000, true},
      {"empty minute text means 1440", 0, 0, 0, {Off(), Off(), Off(), On(L"")}, 86'399'999, false},
      {"1440 minutes reached", 0, 0, 0, {Off(), Off(), Off(), On(L"")}, 86'400'000, true},
      {"a later rule fires after an earlier one failed", 10, 0, 0, {On(L"80"), Off(), Off(), On(L"5")}, 300'000, true},
      {"an interval too long to count never fires",
       0,
       0,
       0,
       {Off(), Off(), Off(), On(L"153722867280912931")},
       9'000'000'000'000,
       false},
      {"a clock set back counts as elapsed", 90, 0, 0, {On(L"80"), Off(), Off(), Off()}, -400'000, true},
      {"a clock set back a little is inside the pause", 90, 0, 0, {On(L"80"), Off(), Off(), Off()}, -100'000, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySnapshot s{};
    s.Percent[Phys] = c.phys;
    s.Percent[Page] = c.page;
    s.Percent[Work] = c.work;
    s.Percent[memory::Virtual] = 100;  // never compared
    testing::FakeClock clock;
    const DateTime nextTime = clock.Peek();
    clock.AdvanceMs(c.elapsedMs);
    EXPECT_EQ(AutoCleanDue(s, c.settings, nextTime, clock), c.due);
  }
}

// The interval and the pause are two readings of the clock. Here the clock moves
// one second per reading towards NextTime (it was set back): the interval sees
// 300 s, the pause then 299 s and holds the clean back.
TEST(AutoCleanDue, ThePauseTakesItsOwnReading) {
  MemorySnapshot s{};
  testing::FakeClock clock;
  const DateTime nextTime = clock.Peek();
  clock.AdvanceSeconds(-300);
  clock.stepPerReadMs = 1000;
  EXPECT_FALSE(AutoCleanDue(s, {Off(), Off(), Off(), On(L"5")}, nextTime, clock));
  EXPECT_EQ(clock.reads, 2);

  clock.reads = 0;
  EXPECT_FALSE(AutoCleanDue(s, {On(L"30"), Off(), Off(), Off()}, nextTime, clock));
  EXPECT_EQ(clock.reads, 1);  // no interval rule checked: the pause alone reads the clock
}

}  // namespace
}  // namespace zeph::monitor
