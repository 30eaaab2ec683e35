#pragma once
// The pure rules between a crashed copy and its crash watcher (crash/win32/watcher.h):
// the policy bit that decides whether Windows swallows faults in kernel callbacks,
// the watcher's reserved first argument, and the check that a hand-over block was
// prepared for this very watcher by this very parent.
#include <cstddef>
#include <cstdint>

namespace zeph::crash {

// SetProcessUserModeExceptionPolicy's PROCESS_CALLBACK_FILTER_ENABLED: while set,
// Windows swallows a fault in a window procedure the kernel called back. The
// program's policy is the one Windows had with that bit cleared, so every fault
// reaches the crash filter.
inline constexpr std::uint32_t kCallbackFilterEnabled = 0x1;
constexpr std::uint32_t PolicyLettingCallbackFaultsThrough(std::uint32_t flags) {
  return flags & ~kCallbackFilterEnabled;
}

// "/crash-watcher:<hex>": the first argument a main copy gives the watcher it starts,
// the value of the inherited handle of the hand-over block. Only a block that passes
// IsHandOverFor makes a process the watcher; any other use of the argument starts the
// program as any unknown argument does.
inline constexpr wchar_t kWatcherArgumentPrefix[] = L"/crash-watcher:";

// The handle value of a well-formed watcher argument (1 to 16 hex digits, not zero).
bool ParseWatcherArgument(const wchar_t* argument, std::uint64_t& handleValue);

inline constexpr std::uint32_t kHandOverMagic = 0x57435754u;  // "TWCW"
inline constexpr std::uint32_t kHandOverVersion = 1;

// The start of the hand-over block, written by the main copy before the watcher runs.
struct HandOverHeader {
  std::uint32_t magic = 0;
  std::uint32_t version = 0;
  std::uint32_t size = 0;               // the whole block's size in the writer's build
  std::uint32_t parentProcessId = 0;    // the main copy the block belongs to
  std::uint32_t watcherProcessId = 0;   // the one process meant to watch it
};

// True when `header`, from a mapping of `mappedSize` bytes, is a block of this build
// (`blockSize`) written for the watcher `selfProcessId` by the process
// `parentProcessId` (the process the block's process handle names).
bool IsHandOverFor(const HandOverHeader& header, std::size_t mappedSize, std::size_t blockSize,
                   std::uint32_t selfProcessId, std::uint32_t parentProcessId);

}  // namespace zeph::crash
