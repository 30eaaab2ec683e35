#include "crash/win32/dbghelp.h"

#include "common/win32/system_library.h"

namespace zeph::crash::dbghelp {
namespace {

using SymInitializeFn = BOOL(WINAPI*)(HANDLE, PCSTR, BOOL);
using StackWalk64Fn = BOOL(WINAPI*)(DWORD, HANDLE, HANDLE, LPSTACKFRAME64, PVOID, PREAD_PROCESS_MEMORY_ROUTINE64,
                                    PFUNCTION_TABLE_ACCESS_ROUTINE64, PGET_MODULE_BASE_ROUTINE64,
                                    PTRANSLATE_ADDRESS_ROUTINE64);
using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

SRWLOCK g_lock = SRWLOCK_INIT;
bool g_loaded = false;
SymInitializeFn g_initialize = nullptr;
StackWalk64Fn g_walk = nullptr;
PFUNCTION_TABLE_ACCESS_ROUTINE64 g_tableAccess = nullptr;
PGET_MODULE_BASE_ROUTINE64 g_moduleBase = nullptr;
MiniDumpWriteDumpFn g_writeDump = nullptr;
// The processes SymInitialize was called for (the program looks at one or two).
HANDLE g_initialised[4] = {};

class Locked {
 public:
  Locked() { ::AcquireSRWLockExclusive(&g_lock); }
  ~Locked() { ::ReleaseSRWLockExclusive(&g_lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

// Under the lock.
void Load() {
  if (g_loaded) return;
  g_loaded = true;
  // dbghelp.dll is no KnownDLL: taken from System32 alone.
  const HMODULE module = LoadSystemLibrary(L"dbghelp.dll");
  if (!module) return;
  g_initialize = SystemFunction<SymInitializeFn>(module, "SymInitialize");
  g_walk = SystemFunction<StackWalk64Fn>(module, "StackWalk64");
  g_tableAccess = SystemFunction<PFUNCTION_TABLE_ACCESS_ROUTINE64>(module, "SymFunctionTableAccess64");
  g_moduleBase = SystemFunction<PGET_MODULE_BASE_ROUTINE64>(module, "SymGetModuleBase64");
  g_writeDump = SystemFunction<MiniDumpWriteDumpFn>(module, "MiniDumpWriteDump");
}

// Under the lock: SymInitialize once per process.
bool Initialise(HANDLE process) {
  if (!g_initialize) return false;
  for (HANDLE done : g_initialised) {
    if (done == process) return true;
  }
  for (HANDLE& slot : g_initialised) {
    if (slot) continue;
    if (!g_initialize(process, nullptr, TRUE)) return false;
    slot = process;
    return true;
  }
  return false;
}

}  // namespace

std::size_t WalkStack(HANDLE process, HANDLE thread, const CONTEXT& start, std::uintptr_t* out,
                      std::size_t capacity) {
  if (capacity == 0) return 0;
  CONTEXT context = start;
  STACKFRAME64 frame{};
#if defined(_WIN64)
  constexpr DWORD kMachine = IMAGE_FILE_MACHINE_AMD64;
  out[0] = static_cast<std::uintptr_t>(context.Rip);
  frame.AddrPC.Offset = context.Rip;
  frame.AddrFrame.Offset = context.Rbp;
  frame.AddrStack.Offset = context.Rsp;
#else
  constexpr DWORD kMachine = IMAGE_FILE_MACHINE_I386;
  out[0] = static_cast<std::uintptr_t>(context.Eip);
  frame.AddrPC.Offset = context.Eip;
  frame.AddrFrame.Offset = context.Ebp;
  frame.AddrStack.Offset = context.Esp;
#endif
  frame.AddrPC.Mode = frame.AddrFrame.Mode = frame.AddrStack.Mode = AddrModeFlat;
  Locked locked;
  Load();
  if (!g_walk || !g_tableAccess || !g_moduleBase || !Initialise(process)) return 1;
  // Without frame pointers (-Os, 32-bit) only the frame-pointer-omission data dbghelp
  // finds for the system's modules, and its guesses elsewhere, lead from frame to
  // frame: a best effort, which dbghelp reads through its own checked memory reads.
  std::size_t count = 0;
  while (count < capacity &&
         g_walk(kMachine, process, thread, &frame, &context, nullptr, g_tableAccess, g_moduleBase, nullptr)) {
    if (frame.AddrPC.Offset == 0) break;
    out[count++] = static_cast<std::uintptr_t>(frame.AddrPC.Offset);
  }
  return count == 0 ? 1 : count;
}

bool WriteDump(HANDLE process, DWORD processId, HANDLE file, MINIDUMP_EXCEPTION_INFORMATION* exception) {
  Locked locked;
  Load();
  return g_writeDump &&
         g_writeDump(process, processId, file, static_cast<MINIDUMP_TYPE>(MiniDumpNormal | MiniDumpWithThreadInfo),
                     exception, nullptr, nullptr) != FALSE;
}

}  // namespace zeph::crash::dbghelp
