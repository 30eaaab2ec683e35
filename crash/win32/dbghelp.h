#pragma once
// dbghelp.dll, which is single-threaded: every call the crash reporter makes to it
// goes through here, one at a time under one lock, and each process it looks at is
// initialised once. It is loaded from System32 on first use, never at start.
#include <windows.h>
#include <dbghelp.h>

#include <cstddef>
#include <cstdint>

namespace zeph::crash::dbghelp {

// The code addresses of the stack of `thread` (a thread of `process`) from `context`,
// the first being where it stood; at most `capacity`, at least the one address.
std::size_t WalkStack(HANDLE process, HANDLE thread, const CONTEXT& context, std::uintptr_t* out,
                      std::size_t capacity);

// MiniDumpWriteDump of `process` into `file`; `exception` may be null.
bool WriteDump(HANDLE process, DWORD processId, HANDLE file, MINIDUMP_EXCEPTION_INFORMATION* exception);

}  // namespace zeph::crash::dbghelp
