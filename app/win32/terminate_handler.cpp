// What std::terminate does in tidewell.exe: end the process at once through abort().
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

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
