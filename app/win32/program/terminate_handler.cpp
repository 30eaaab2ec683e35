// What std::terminate does in tidewell.exe until the crash reporter takes it over
// (crash/win32/crash_handler.h): end the process at once through abort().
//
// The C++ runtime's default terminate handler, __gnu_cxx::__verbose_terminate_handler,
// first prints the demangled name of the exception that ended the program on stderr.
// A GUI process has no stderr, and the demangler behind it is some 46 KB of the exe.
// The exe defines that handler itself, so the linker takes this definition and never
// pulls the runtime's, or the demangler with it, out of libstdc++. The end the user
// sees is the same: abort().
//
// This file is a source of the executable, never of a static library: a library
// member that defines it would be passed over, since the runtime's reference to it
// comes later in the link.
#include <cstdlib>

#include "crash/win32/crash_handler.h"

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// A call through a vtable slot of an abstract class (an object used during its
// construction or after its destruction) is a crash like any other: the runtime's
// own version would only abort. Like the handler above, the exe's definition keeps
// the runtime's out of the link.
extern "C" [[noreturn]] void __cxa_pure_virtual() { zeph::crash::ReportPureVirtualCall(); }
