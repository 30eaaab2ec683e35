// Reads another process's memory layout from outside, for bench/start_breakdown.sh:
// its threads' stacks (from each thread's TEB), its process heap, its GDI and USER
// object counts, and every committed private region. Under Wine a Windows address
// is the Linux address, so the script joins these lines with /proc/PID/smaps to
// name the private memory by kind. Bench only, never part of the product.
//
//   memory_probe.exe WINDOWS_PID
// prints lines of the forms
//   gui GDI_OBJECTS USER_OBJECTS
//   processheap ADDRESS
//   stack TID RESERVATION_BASE STACK_LIMIT STACK_BASE
//   region BASE ALLOCATION_BASE SIZE PROTECT
#include <windows.h>
// after windows.h
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cwchar>

namespace {

using QueryThread = NTSTATUS(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using QueryProcess = NTSTATUS(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

struct ThreadBasics {
  NTSTATUS exitStatus;
  void* tebBaseAddress;
  CLIENT_ID clientId;
  ULONG_PTR affinityMask;
  LONG priority;
  LONG basePriority;
};

template <typename T>
bool Read(HANDLE process, const void* address, T& value) {
  SIZE_T read = 0;
  return ReadProcessMemory(process, address, &value, sizeof value, &read) && read == sizeof value;
}

// TEB fields of the 64-bit layout: NT_TIB's StackBase and StackLimit, then the
// stack's whole reservation (DeallocationStack).
constexpr SIZE_T kTebStackBase = 0x08, kTebStackLimit = 0x10, kTebDeallocationStack = 0x1478;
constexpr SIZE_T kPebProcessHeap = 0x30;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const DWORD pid = std::wcstoul(argv[1], nullptr, 0);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return 1;
  std::printf("gui %lu %lu\n", GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS));

  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto queryThread = reinterpret_cast<QueryThread>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationThread")));
  auto queryProcess =
      reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")));

  PROCESS_BASIC_INFORMATION basic{};
  void* heap = nullptr;
  if (queryProcess && queryProcess(process, 0, &basic, sizeof basic, nullptr) == 0 &&
      Read(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebProcessHeap, heap)) {
    std::printf("processheap %p\n", heap);
  }

  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != pid) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    ThreadBasics info{};
    void *base = nullptr, *limit = nullptr, *reservation = nullptr;
    if (thread && queryThread && queryThread(thread, 0, &info, sizeof info, nullptr) == 0) {
      const char* teb = static_cast<const char*>(info.tebBaseAddress);
      if (Read(process, teb + kTebStackBase, base) && Read(process, teb + kTebStackLimit, limit) &&
          Read(process, teb + kTebDeallocationStack, reservation)) {
        std::printf("stack %lu %p %p %p\n", entry.th32ThreadID, reservation, limit, base);
      }
    }
    if (thread) CloseHandle(thread);
  }
  CloseHandle(snapshot);

  MEMORY_BASIC_INFORMATION region{};
  for (const char* address = nullptr; VirtualQueryEx(process, address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
      std::printf("region %p %p %zu %lx\n", region.BaseAddress, region.AllocationBase,
                  static_cast<size_t>(region.RegionSize), region.Protect);
    }
    if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < address) break;
  }
  CloseHandle(process);
  return 0;
}
