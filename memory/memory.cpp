#include "memory/memory.h"

#include <cstring>
#include <limits>

#include "common/error.h"
#include "common/utf.h"

namespace zeph::memory {
namespace {

static_assert(std::numeric_limits<long double>::digits == 64,
              "UsagePercent divides in x87 extended precision on every target");

// SYSTEM_MEMORY_LIST_COMMAND values.
constexpr std::uint32_t kMemoryEmptyWorkingSets = 2;
constexpr std::uint32_t kMemoryFlushModifiedList = 3;
constexpr std::uint32_t kMemoryPurgeStandbyList = 4;
constexpr std::uint32_t kMemoryPurgeLowPriorityStandbyList = 5;

constexpr std::uint32_t kTokenAdjustPrivileges = 0x20;
constexpr std::uint32_t kTokenQuery = 0x08;
constexpr std::uint32_t kSePrivilegeEnabled = 2;

// Turns a used/total pair of the snapshot into its stored float percentage.
float PercentOf(std::uint64_t total, std::uint64_t available) {
  return static_cast<float>(UsagePercent(total, UsedBytes(total, available)));
}

std::wstring TrimmedSystemText(std::wstring text) {
  while (!text.empty() && (text.back() < 33 || text.back() == L'.')) text.pop_back();
  return text;
}

}  // namespace

double UsagePercent(std::uint64_t total, std::uint64_t used) {
  if (used == 0 || total == 0) return 0.0;
  const std::uint64_t scaled = used * 100u;  // modulo 2^64, as the kernel figures are unsigned
  const long double quotient = static_cast<long double>(scaled) / static_cast<long double>(total);
  return static_cast<double>(quotient);
}

void ReadMemorySnapshot(MemorySnapshot& snapshot, Kernel& kernel) {
  MemoryStatusEx status{};
  status.dwLength = sizeof(status);
  kernel.GlobalMemoryStatusEx(status);  // on failure the zeroed figures read as 0

  snapshot.Available[Phys] = status.ullAvailPhys;
  snapshot.Available[Page] = status.ullAvailPageFile;
  snapshot.Available[Virtual] = status.ullAvailVirtual;
  snapshot.Total[Phys] = status.ullTotalPhys;
  snapshot.Total[Page] = status.ullTotalPageFile;
  snapshot.Total[Virtual] = status.ullTotalVirtual;
  for (MemoryKind k : {Phys, Page, Virtual}) snapshot.Percent[k] = PercentOf(snapshot.Total[k], snapshot.Available[k]);

  FileCacheInformation cache{};
  if (kernel.NtQuerySystemInformation(kSystemFileCacheInformation, &cache, sizeof(cache)) != 0) return;

  // Subtracted at the record's own width, then widened: used = CurrentSize.
  const KernelSize available = static_cast<KernelSize>(cache.PeakSize - cache.CurrentSize);
  snapshot.Available[Work] = available;
  snapshot.Total[Work] = cache.PeakSize;
  snapshot.Percent[Work] = PercentOf(snapshot.Total[Work], snapshot.Available[Work]);
}

void PurgeMemory(Kernel& kernel) {
  FileCacheInformation cache;
  std::memset(&cache, 0, sizeof(cache));
  cache.MinimumWorkingSet = static_cast<KernelSize>(-1);
  cache.MaximumWorkingSet = static_cast<KernelSize>(-1);
  kernel.NtSetSystemInformation(kSystemFileCacheInformation, &cache, sizeof(cache));

  for (std::uint32_t command : {kMemoryEmptyWorkingSets, kMemoryPurgeLowPriorityStandbyList,
                                kMemoryPurgeStandbyList, kMemoryFlushModifiedList}) {
    std::uint32_t buffer = command;  // a fresh 4-byte buffer for each command
    kernel.NtSetSystemInformation(kSystemMemoryListInformation, &buffer, sizeof(buffer));
  }

  std::uint8_t combine[24] = {};
  kernel.NtSetSystemInformation(kSystemCombinePhysicalMemoryInformation, combine, sizeof(combine));
}

bool SetPrivilege(Kernel& kernel, const std::wstring& name, bool enable) {
  TokenHandle token = 0;
  if (kernel.OpenProcessToken(kTokenAdjustPrivileges | kTokenQuery, token)) {
    Luid luid{};
    if (kernel.LookupPrivilegeValueW(name, luid)) {
      const TokenPrivilege request{1, luid, enable ? kSePrivilegeEnabled : 0u};
      TokenPrivilege previous = request;
      std::uint32_t returnLength = 0;
      // The result says nothing about partial success; the last error does.
      kernel.AdjustTokenPrivileges(token, false, request, sizeof(request), previous, returnLength);
    }
    kernel.CloseHandle(token);
  }

  const std::uint32_t error = kernel.GetLastError();
  if (error == 0) return true;
  std::wstring text = TrimmedSystemText(kernel.FormatSystemMessage(error));
  // A code the message table does not know must still tell the user something.
  if (text.empty()) text = L"System error " + DecimalText(error);
  throw Error(std::move(text));
}

}  // namespace zeph::memory
