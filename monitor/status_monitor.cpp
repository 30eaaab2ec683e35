#include "monitor/status_monitor.h"

#include <array>
#include <cmath>
#include <limits>

namespace zeph::monitor {
namespace {

using memory::MemoryKind;

std::uint64_t UsedBytes(const memory::MemorySnapshot& snapshot, MemoryKind kind) {
  return memory::UsedBytes(snapshot.Total[kind], snapshot.Available[kind]);
}

bool UsageReached(float percent, const AutoCleanRule& rule) {
  if (!rule.checked) return false;
  const std::int64_t threshold = ParseInt64(rule.text).value_or(kDefaultUsageThreshold);
  // Compared as floating-point numbers: 80.0 reaches "80", 79.99 does not. Long
  // double holds every 64-bit threshold exactly.
  return static_cast<long double>(percent) >= static_cast<long double>(threshold);
}

bool IntervalReached(const AutoCleanRule& rule, DateTime nextTime, Clock& clock) {
  if (!rule.checked) return false;
  const std::int64_t minutes = ParseInt64(rule.text).value_or(kDefaultIntervalMinutes);
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max() / kSecondsPerMinute;
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min() / kSecondsPerMinute;
  if (minutes > kMax || minutes < kMin) return false;  // more seconds than any clock can count
  return SecondsBetween(clock.Now(), nextTime) >= minutes * kSecondsPerMinute;
}

}  // namespace

std::uint64_t MB(std::uint64_t bytes) {
  std::uint64_t whole = bytes / kBytesPerMb;
  const std::uint64_t rest = bytes % kBytesPerMb;
  constexpr std::uint64_t kHalf = kBytesPerMb / 2;
  if (rest > kHalf || (rest == kHalf && whole % 2 == 1)) ++whole;
  return whole;
}

int ProgressPosition(float percent) {
  if (!(percent > 0.0f)) return 0;    // also NaN
  if (percent >= 100.0f) return 100;  // the bar's range ends there, and no int overflow
  const double value = percent;
  double whole = std::floor(value);
  const double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) == 1.0)) whole += 1.0;
  return static_cast<int>(whole);
}

std::optional<std::int64_t> ParseInt64(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == L' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  if (i == text.size()) return std::nullopt;
  // Accumulated as a negative number, which reaches one further than a positive one.
  std::int64_t value = 0;
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  for (; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
    const int digit = text[i] - L'0';
    if (value < (kMin + digit) / 10) return std::nullopt;
    value = value * 10 - digit;
  }
  if (negative) return value;
  if (value == kMin) return std::nullopt;
  return -value;
}

void FormatPhysStatus(std::wstring& out, std::wstring_view format, const memory::MemorySnapshot& snapshot,
                      const NumberSeparators& separators) {
  const std::array<FormatArg, 3> args = {MB(UsedBytes(snapshot, memory::Phys)), MB(snapshot.Total[memory::Phys]),
                                         static_cast<double>(snapshot.Percent[memory::Phys])};
  FormatTo(out, format, args, separators);
}

void FormatFigureStatus(std::wstring& out, const memory::MemorySnapshot& snapshot, MemoryKind kind,
                        const NumberSeparators& separators) {
  const std::array<FormatArg, 2> args = {MB(UsedBytes(snapshot, kind)), static_cast<double>(snapshot.Percent[kind])};
  FormatTo(out, kFigureStatusFormat, args, separators);
}

bool AutoCleanDue(const memory::MemorySnapshot& snapshot, const AutoCleanSettings& settings, DateTime nextTime,
                  Clock& clock) {
  // Every check is made, whatever the ones before it gave.
  bool due = false;
  due |= UsageReached(snapshot.Percent[memory::Phys], settings.usagePhys);
  due |= UsageReached(snapshot.Percent[memory::Page], settings.usagePage);
  due |= UsageReached(snapshot.Percent[memory::Work], settings.usageWork);
  due |= IntervalReached(settings.minute, nextTime, clock);
  // The pause is measured afresh: the interval check above may have read the clock earlier.
  if (SecondsBetween(clock.Now(), nextTime) < kPauseSeconds) due = false;
  return due;
}

}  // namespace zeph::monitor
