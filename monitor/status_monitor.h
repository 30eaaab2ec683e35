#pragma once
// The arithmetic behind the status page and the auto-clean policy, free of the
// window so it can be tested on its own: megabytes, the progress position, the
// status lines and the decision to clean.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/format.h"
#include "memory/memory.h"

namespace zeph::monitor {

inline constexpr std::uint64_t kBytesPerMb = 1'048'576;
inline constexpr std::int64_t kDefaultUsageThreshold = 100;  // percent, for a drop-down with no number
inline constexpr std::int64_t kDefaultIntervalMinutes = 1440;
inline constexpr std::int64_t kSecondsPerMinute = 60;
inline constexpr std::int64_t kPauseSeconds = 300;  // no automatic clean sooner after NextTime

// The physical line is translated (it carries words); the other two are figures only.
inline constexpr std::wstring_view kPhysStatusFormat = L"%.0n MB / %.0n MB (%n%% 사용중)";
inline constexpr std::wstring_view kFigureStatusFormat = L"%.0n MB (%n%%)";

// Whole megabytes, rounded to nearest with halves to even; 0 bytes is 0 MB.
std::uint64_t MB(std::uint64_t bytes);

// The progress bar's position: the percentage rounded to nearest, halves to even.
int ProgressPosition(float percent);

// A drop-down's text read as a 64-bit integer: leading blanks and a sign allowed,
// nothing after the digits; nullopt for anything else (the empty text included).
std::optional<std::int64_t> ParseInt64(std::wstring_view text);

// The physical line from its (already translated) format.
void FormatPhysStatus(std::wstring& out, std::wstring_view format, const memory::MemorySnapshot& snapshot,
                      const NumberSeparators& separators);
// The page or working-set line: used megabytes and the percentage.
void FormatFigureStatus(std::wstring& out, const memory::MemorySnapshot& snapshot, memory::MemoryKind kind,
                        const NumberSeparators& separators);

// One check box and its drop-down as the policy reads them. The text matters only
// while the box is checked; callers may leave it empty otherwise.
struct AutoCleanRule {
  bool checked = false;
  std::wstring_view text;
};

struct AutoCleanSettings {
  AutoCleanRule usagePhys;
  AutoCleanRule usagePage;
  AutoCleanRule usageWork;
  AutoCleanRule minute;
};

// True when an automatic clean is due: any checked usage figure at or above its
// threshold, or the checked interval reached, and in any case at least the pause
// passed since nextTime. The clock is read twice, for the interval and for the
// pause, as the run measures them one after the other.
bool AutoCleanDue(const memory::MemorySnapshot& snapshot, const AutoCleanSettings& settings, DateTime nextTime,
                  Clock& clock);

}  // namespace zeph::monitor
