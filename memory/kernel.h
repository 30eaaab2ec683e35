#pragma once
// What the memory engine needs from the Windows kernel and the process token.
// The Win32 implementation is memory/win32/kernel_win32.h; tests use
// memory/testing/fake_kernel.h, which records every request byte for byte.
#include <cstdint>
#include <string>

namespace zeph::memory {

// Mirror of MEMORYSTATUSEX (64 bytes), so the logic needs no Windows headers.
struct MemoryStatusEx {
  std::uint32_t dwLength;
  std::uint32_t dwMemoryLoad;
  std::uint64_t ullTotalPhys;
  std::uint64_t ullAvailPhys;
  std::uint64_t ullTotalPageFile;
  std::uint64_t ullAvailPageFile;
  std::uint64_t ullTotalVirtual;
  std::uint64_t ullAvailVirtual;
  std::uint64_t ullAvailExtendedVirtual;
};
static_assert(sizeof(MemoryStatusEx) == 64);

// Pointer-sized fields of kernel records follow the target: 32 bits in the 32-bit
// product (which the host build mirrors), 64 bits in the 64-bit build.
#if defined(_WIN64)
using KernelSize = std::uint64_t;
#else
using KernelSize = std::uint32_t;
#endif

// Mirror of SYSTEM_FILECACHE_INFORMATION.
struct FileCacheInformation {
  KernelSize CurrentSize;
  KernelSize PeakSize;
  std::uint32_t PageFaultCount;
  KernelSize MinimumWorkingSet;
  KernelSize MaximumWorkingSet;
  KernelSize CurrentSizeIncludingTransitionInPages;
  KernelSize PeakSizeIncludingTransitionInPages;
  std::uint32_t TransitionRePurposeCount;
  std::uint32_t Flags;
};
#if !defined(_WIN64)
static_assert(sizeof(FileCacheInformation) == 36, "the 32-bit file-cache record is nine 32-bit fields");
#endif

struct Luid {
  std::uint32_t LowPart;
  std::int32_t HighPart;
};

// Mirror of TOKEN_PRIVILEGES with one entry (16 bytes).
struct TokenPrivilege {
  std::uint32_t PrivilegeCount;
  Luid PrivilegeLuid;
  std::uint32_t Attributes;
};
static_assert(sizeof(TokenPrivilege) == 16);

using NtStatus = std::int32_t;
using TokenHandle = std::uintptr_t;  // opaque; 0 is no token

// System information classes the engine uses.
inline constexpr std::uint32_t kSystemFileCacheInformation = 21;
inline constexpr std::uint32_t kSystemMemoryListInformation = 80;
inline constexpr std::uint32_t kSystemCombinePhysicalMemoryInformation = 130;

class Kernel {
 public:
  virtual ~Kernel() = default;

  virtual bool GlobalMemoryStatusEx(MemoryStatusEx& status) = 0;
  virtual NtStatus NtQuerySystemInformation(std::uint32_t infoClass, void* buffer, std::uint32_t length) = 0;
  virtual NtStatus NtSetSystemInformation(std::uint32_t infoClass, void* buffer, std::uint32_t length) = 0;

  // Token calls of the current process; each sets the thread's last error as Windows does.
  virtual bool OpenProcessToken(std::uint32_t desiredAccess, TokenHandle& token) = 0;
  virtual bool LookupPrivilegeValueW(const std::wstring& name, Luid& luid) = 0;
  virtual bool AdjustTokenPrivileges(TokenHandle token, bool disableAll, const TokenPrivilege& newState,
                                     std::uint32_t bufferLength, TokenPrivilege& previousState,
                                     std::uint32_t& returnLength) = 0;
  virtual void CloseHandle(TokenHandle token) = 0;
  virtual std::uint32_t GetLastError() = 0;
  // The system message table's text for an error code (language 0, inserts ignored),
  // untrimmed; empty when the system has none.
  virtual std::wstring FormatSystemMessage(std::uint32_t code) = 0;
};

}  // namespace zeph::memory
