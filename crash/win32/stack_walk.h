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

// The code addresses of a thread of this process's stack as `context` (a state of
// that thread, whose stack is [stackLow, stackHigh)) describes it, the first being
// where it stood; at most `capacity`. Any thread may walk it while that thread waits.
// 64-bit: the unwind tables. 32-bit (no frame pointers): StackWalk64 of dbghelp for
// `thread` (a handle of the thread the context belongs to) when one is given, else
// the one address where it stood.
std::size_t WalkStack(const CONTEXT& context, std::uintptr_t stackLow, std::uintptr_t stackHigh, HANDLE thread,
                      std::uintptr_t* out, std::size_t capacity);

// Looks up what Locate needs; call once at start (it may load nothing at a crash).
void PrepareLocate();

// The module of `process` that holds `address` and the offset in it; module empty
// when none does. Reads the process's memory map, not the loader's list, so it takes
// no loader lock.
void Locate(HANDLE process, std::uintptr_t address, CodeLocation& where);

}  // namespace zeph::crash
