#pragma once
// The call stack of a thread as code addresses, and the module each lies in. Both
// run in a process that has just faulted: they read nothing outside the thread's
// own stack, allocate nothing, and stop at the first frame that makes no sense.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "crash/report.h"

namespace zeph::crash {

// The calling thread's stack: [low, high).
void CurrentStackBounds(std::uintptr_t& low, std::uintptr_t& high);

// The code addresses of a thread's stack as `context` (a state of that thread, whose
// stack is [stackLow, stackHigh)) describes it, the first being where it stood; at
// most `capacity`. Any thread may walk it while that thread waits. 64-bit: the
// unwind tables. 32-bit (no frame pointers): StackWalk64 of dbghelp when
// `mayLoadLibraries`, else the one address where it stood.
std::size_t WalkStack(const CONTEXT& context, std::uintptr_t stackLow, std::uintptr_t stackHigh,
                      bool mayLoadLibraries, std::uintptr_t* out, std::size_t capacity);

// The module that holds `address` and the offset in it; module empty when none does.
void Locate(std::uintptr_t address, CodeLocation& where);

}  // namespace zeph::crash
