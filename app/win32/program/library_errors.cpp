// What the C++ runtime throws in tidewell.exe when a library call fails: a too long
// string or vector, an index out of range, a system call under std::mutex.
//
// The runtime's own versions of these functions throw std::length_error,
// std::out_of_range, std::system_error and their kin. Those classes keep their text in
// the runtime's old reference-counted string, and their code, with that string's, is
// some 45 KB of the 32-bit exe. The program never tells them apart: any exception
// that reaches its error handler is shown by its what() text. So the exe defines the
// functions itself and throws one small exception that carries the runtime's text.
// The linker then takes these definitions and leaves the runtime's member out; a
// function of that member left undefined here would fail the link with duplicates,
// not pass silently.
//
// Like terminate_handler.cpp this is a source of the executable, never of a library.
#include <exception>
#include <new>
#include <typeinfo>

namespace zeph::win32 {
namespace {

class LibraryError final : public std::exception {
 public:
  explicit LibraryError(const char* what) noexcept : what_(what) {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;  // the runtime passes literals
};

}  // namespace
}  // namespace zeph::win32

namespace std {

using zeph::win32::LibraryError;

[[noreturn]] void __throw_bad_exception() { throw bad_exception(); }
[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_array_new_length(); }
[[noreturn]] void __throw_bad_cast() { throw bad_cast(); }
[[noreturn]] void __throw_bad_typeid() { throw bad_typeid(); }
[[noreturn]] void __throw_logic_error(const char* what) { throw LibraryError(what); }
[[noreturn]] void __throw_domain_error(const char* what) { throw LibraryError(what); }
[[noreturn]] void __throw_invalid_argument(const char* what) { throw LibraryError(what); }
[[noreturn]] void __throw_length_error(const char* what) { throw LibraryError(what); }
[[noreturn]] void __throw_out_of_range(const char* what) { throw LibraryError(what); }
// The format's arguments would only fill in an index; the text says what failed.
[[noreturn]] void __throw_out_of_range_fmt(const char* what, ...) { throw LibraryError(what); }
[[noreturn]] void __throw_runtime_error(const char* what) { throw LibraryError(what); }
[[noreturn]] void __throw_range_error(const char* what) { throw LibraryError(what); }
[[noreturn]] void __throw_overflow_error(const char* what) { throw LibraryError(what); }
[[noreturn]] void __throw_underflow_error(const char* what) { throw LibraryError(what); }
[[noreturn]] void __throw_system_error(int) { throw LibraryError("a system call of the C++ runtime failed"); }

}  // namespace std
