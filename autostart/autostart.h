#pragma once
// Unit Zeph.AutoStart.UAC: the log-on task that starts the program elevated and
// hidden. The task in the scheduler's root folder is the only record of whether
// autostart is on; this unit keeps no state.
//
// Callers bracket each call with a ComApartment (autostart/com_apartment.h) and
// skip the call when the apartment is not ok(). Every failure inside is silent.
#include <cstdint>
#include <string>

#include "autostart/task_scheduler.h"

namespace zeph::autostart {

inline constexpr wchar_t kAutoStartTaskName[] = L"TidewellTaskMachine";
inline constexpr std::int32_t kAutoStartDelaySeconds = 60;

// enabled: registers (or replaces) the task that runs this executable with "/start"
// at log-on, highest run level, after delaySeconds when that is above 0.
// !enabled: deletes the root-folder task of exactly that name, if it is listed.
void SetAutoStartTask(TaskScheduler& scheduler, const std::wstring& taskName, bool enabled,
                      std::int32_t delaySeconds);

// True when the root folder lists a task named exactly taskName (case-sensitive);
// false when it does not, and on any failure.
bool AutoStartTaskExists(TaskScheduler& scheduler, const std::wstring& taskName);

// ISO 8601 duration in minutes and seconds, never hours: 90 -> "PT1M30S",
// 3600 -> "PT60M". Zero, and any negative count, gives "PT0S".
std::wstring SecondsToDuration(std::int32_t seconds);

}  // namespace zeph::autostart
