#include "crash/win32/stack_walk.h"

#include <dbghelp.h>

#include "common/win32/system_library.h"

namespace zeph::crash {

void CurrentStackBounds(std::uintptr_t& low, std::uintptr_t& high) {
  // NtCurrentTeb reads the segment register at a fixed offset, which GCC takes for an
  // access to an empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  const auto* tib = reinterpret_cast<const NT_TIB*>(::NtCurrentTeb());
#pragma GCC diagnostic pop
  low = reinterpret_cast<std::uintptr_t>(tib->StackLimit);
  high = reinterpret_cast<std::uintptr_t>(tib->StackBase);
}

#if defined(_WIN64)

std::size_t WalkStack(const CONTEXT& start, std::uintptr_t low, std::uintptr_t high, bool, std::uintptr_t* out,
                      std::size_t capacity) {
  CONTEXT context = start;
  std::size_t count = 0;
  while (count < capacity) {
    const DWORD64 pc = context.Rip;
    if (pc == 0) break;
    out[count++] = pc;
    const DWORD64 sp = context.Rsp;
    if (sp < low || sp + sizeof(DWORD64) > high) break;
    DWORD64 imageBase = 0;
    if (PRUNTIME_FUNCTION function = ::RtlLookupFunctionEntry(pc, &imageBase, nullptr)) {
      void* handlerData = nullptr;
      DWORD64 establisher = 0;
      ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, pc, function, &context, &handlerData, &establisher, nullptr);
    } else {
      // A leaf function, or a jump to an address that holds no code: the return
      // address is on top of the stack.
      context.Rip = *reinterpret_cast<const DWORD64*>(sp);
      context.Rsp = sp + sizeof(DWORD64);
    }
    // Each caller's frame lies above its callee's; anything else is a broken stack.
    if (context.Rsp <= sp || context.Rsp >= high) break;
  }
  return count;
}

#else

std::size_t WalkStack(const CONTEXT& start, std::uintptr_t, std::uintptr_t, bool mayLoadLibraries, std::uintptr_t* out,
                      std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = start.Eip;
  using StackWalk64Fn = BOOL(WINAPI*)(DWORD, HANDLE, HANDLE, LPSTACKFRAME64, PVOID, PREAD_PROCESS_MEMORY_ROUTINE64,
                                      PFUNCTION_TABLE_ACCESS_ROUTINE64, PGET_MODULE_BASE_ROUTINE64,
                                      PTRANSLATE_ADDRESS_ROUTINE64);
  using SymInitializeFn = BOOL(WINAPI*)(HANDLE, PCSTR, BOOL);
  const HMODULE dbghelp = mayLoadLibraries ? LoadSystemLibrary(L"dbghelp.dll") : nullptr;
  const auto walk = dbghelp ? SystemFunction<StackWalk64Fn>(dbghelp, "StackWalk64") : nullptr;
  const auto init = dbghelp ? SystemFunction<SymInitializeFn>(dbghelp, "SymInitialize") : nullptr;
  const auto tableAccess =
      dbghelp ? SystemFunction<PFUNCTION_TABLE_ACCESS_ROUTINE64>(dbghelp, "SymFunctionTableAccess64") : nullptr;
  const auto moduleBase = dbghelp ? SystemFunction<PGET_MODULE_BASE_ROUTINE64>(dbghelp, "SymGetModuleBase64") : nullptr;
  if (!walk || !init || !tableAccess || !moduleBase) return 1;
  // Without frame pointers (-Os) only the frame-pointer-omission data dbghelp finds
  // for the system's modules, and its guesses elsewhere, lead from frame to frame:
  // a best effort, which dbghelp reads through its own checked memory reads.
  const HANDLE process = ::GetCurrentProcess();
  init(process, nullptr, TRUE);
  CONTEXT context = start;
  STACKFRAME64 frame{};
  frame.AddrPC.Offset = context.Eip;
  frame.AddrPC.Mode = AddrModeFlat;
  frame.AddrFrame.Offset = context.Ebp;
  frame.AddrFrame.Mode = AddrModeFlat;
  frame.AddrStack.Offset = context.Esp;
  frame.AddrStack.Mode = AddrModeFlat;
  std::size_t count = 0;
  while (count < capacity &&
         walk(IMAGE_FILE_MACHINE_I386, process, ::GetCurrentThread(), &frame, &context, nullptr, tableAccess,
              moduleBase, nullptr)) {
    if (frame.AddrPC.Offset == 0) break;
    out[count++] = static_cast<std::uintptr_t>(frame.AddrPC.Offset);
  }
  return count == 0 ? 1 : count;
}

#endif

void Locate(std::uintptr_t address, CodeLocation& where) {
  where = CodeLocation{};
  where.address = address;
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(address), &module) ||
      !module) {
    return;
  }
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const wchar_t* name = path;
  for (const wchar_t* c = path; *c; ++c) {
    if (*c == L'\\' || *c == L'/') name = c + 1;
  }
  std::size_t i = 0;
  for (; name[i] && i + 1 < kModuleNameCapacity; ++i) where.module[i] = name[i];
  where.module[i] = L'\0';
  where.offset = address - reinterpret_cast<std::uintptr_t>(module);
}

}  // namespace zeph::crash
