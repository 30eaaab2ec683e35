#include "crash/win32/stack_walk.h"

#include "common/win32/system_library.h"
#include "crash/win32/dbghelp.h"

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

std::size_t WalkStack(const CONTEXT& start, std::uintptr_t low, std::uintptr_t high, HANDLE, std::uintptr_t* out,
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

std::size_t WalkStack(const CONTEXT& start, std::uintptr_t, std::uintptr_t, HANDLE thread, std::uintptr_t* out,
                      std::size_t capacity) {
  if (capacity == 0) return 0;
  if (!thread) {
    out[0] = start.Eip;
    return 1;
  }
  return dbghelp::WalkStack(::GetCurrentProcess(), thread, start, out, capacity);
}

#endif

namespace {
using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
GetModuleFileNameExFn g_moduleFileName = nullptr;
}  // namespace

void PrepareLocate() {
  // In kernel32 since Windows 7, where psapi.dll forwards to it.
  if (!g_moduleFileName) {
    g_moduleFileName = SystemFunction<GetModuleFileNameExFn>(::GetModuleHandleW(L"kernel32.dll"),
                                                              "K32GetModuleFileNameExW");
  }
}

void Locate(HANDLE process, std::uintptr_t address, CodeLocation& where) {
  where = CodeLocation{};
  where.address = address;
  MEMORY_BASIC_INFORMATION region{};
  if (!g_moduleFileName ||
      ::VirtualQueryEx(process, reinterpret_cast<LPCVOID>(address), &region, sizeof region) != sizeof region ||
      region.Type != MEM_IMAGE || !region.AllocationBase) {
    return;
  }
  const auto module = static_cast<HMODULE>(region.AllocationBase);
  wchar_t path[MAX_PATH];
  const DWORD length = g_moduleFileName(process, module, path, MAX_PATH);
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
