#pragma once
// Unit Zeph.Memory: the memory figures the window shows, the six-request purge,
// and the privilege switch the purge relies on.
#include <array>
#include <cstdint>
#include <string>

#include "memory/kernel.h"

namespace zeph::memory {

enum MemoryKind : std::uint8_t {
  Phys = 0,     // physical memory of the machine
  Page = 1,     // commit charge against the commit limit ("가상 메모리")
  Virtual = 2,  // the user address space of this process
  Work = 3,     // the working set of the system file cache
};
inline constexpr std::size_t kMemoryKindCount = 4;

struct MemorySnapshot {
  std::array<std::uint64_t, kMemoryKindCount> Available;  // bytes
  std::array<std::uint64_t, kMemoryKindCount> Total;      // bytes
  std::array<float, kMemoryKindCount> Percent;            // usage, 0..100 for real readings
};

// A figure's used bytes: total - available in unsigned arithmetic, and 0 where the
// system reports more available than there is in total (Wine's 32-bit layer does),
// which is no reading of use at all, not a wrapped-around giant.
constexpr std::uint64_t UsedBytes(std::uint64_t total, std::uint64_t available) {
  return available > total ? 0 : total - available;
}

// used × 100 / total in 80-bit extended precision, rounded to double; 0 when either is 0.
double UsagePercent(std::uint64_t total, std::uint64_t used);

// Fills the caller's record in place from GlobalMemoryStatusEx and the file-cache
// query. A failed file-cache query leaves the three Work entries as they were.
void ReadMemorySnapshot(MemorySnapshot& snapshot, Kernel& kernel);

// Trims the file cache, empties all working sets, purges both standby lists, flushes
// the modified list and combines identical pages. Statuses are ignored.
void PurgeMemory(Kernel& kernel);

// Enables (or disables) one named privilege in the process token. Returns true on
// success; on failure throws zeph::Error with the system's text for the last error.
bool SetPrivilege(Kernel& kernel, const std::wstring& name, bool enable);

}  // namespace zeph::memory
