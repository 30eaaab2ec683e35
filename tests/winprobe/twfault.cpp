// twfault.dll: faults that twprobe makes Tidewell's own threads commit while they
// hold a lock, to prove that a crash never hangs the program. twprobe loads the DLL
// into the running program and starts one export on a thread of it
// (CreateRemoteThread at the module's base plus the export's offset). The loader
// lock is taken explicitly: a fault in DllMain, which holds it by itself, would not
// do under Wine, whose loader catches every exception of a DLL's entry point.
#include <windows.h>

namespace {

void WriteToAnInvalidAddress() {
  volatile UINT_PTR address = 0x10;
  *reinterpret_cast<volatile int*>(address) = 1;
}

// Each level keeps a page of its own, and calls the next through a pointer the
// compiler cannot see through, so no level is folded away.
int Recurse(int depth);
int (*volatile g_next)(int) = Recurse;
int Recurse(int depth) {
  volatile char page[4096];
  page[0] = static_cast<char>(depth);
  return g_next(depth + 1) + page[0];
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI HoldLoaderLockAndFault(void*) {
  using LockFn = LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*);
  const auto lock = reinterpret_cast<LockFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "LdrLockLoaderLock")));
  ULONG_PTR cookie = 0;
  if (lock) lock(0, nullptr, &cookie);
  WriteToAnInvalidAddress();
  return 0;
}

__declspec(dllexport) DWORD WINAPI HoldHeapLockAndFault(void*) {
  HeapLock(GetProcessHeap());
  WriteToAnInvalidAddress();
  return 0;
}

__declspec(dllexport) DWORD WINAPI OverflowStack(void*) { return static_cast<DWORD>(Recurse(0)); }

}  // extern "C"
