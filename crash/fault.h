#pragma once
// Hardware faults that a catch (...) caught. Whether a catch (...) takes a structured
// exception (an access violation, ...) depends on the unwinder: the 32-bit build's
// DWARF unwinder never does; the 64-bit build's SEH unwinder can, and GCC 12's lets
// it pass only because it skips exceptions it did not raise itself. Such a fault is
// not an error of the program's logic to show and go on from: the process state is
// broken. Every catch (...) on a path that runs the program's code asks
// HandOverForeignFault() first, so every build ends a fault the same way: in the
// crash reporter: through RunGuarded below, the one boundary every such path uses.
#include <exception>

namespace zeph::crash {

// Takes over a fault caught by a catch (...) of the calling thread. The crash
// reporter installs it; it does not return in the program.
using ForeignFaultHandler = void (*)();
void SetForeignFaultHandler(ForeignFaultHandler handler) noexcept;

// Call only inside a catch (...) block. False when the exception in flight is a C++
// one (the caller handles it); otherwise hands the fault to the handler and answers
// true, should the handler return (only a test's does). Without a handler the
// process ends with abort().
bool HandOverForeignFault() noexcept;

// The exception boundary: runs `work`; should it throw, a hardware fault goes to the
// crash reporter and a C++ error to `onError` (with the exception). True when `work`
// returned. `onError` must not throw.
template <typename Work, typename OnError>
bool RunGuarded(Work&& work, OnError&& onError) noexcept {
  try {
    work();
    return true;
  } catch (...) {
    if (!HandOverForeignFault()) onError(std::current_exception());
    return false;
  }
}

// The same where a C++ error only ends `work` and is dropped.
template <typename Work>
bool RunGuarded(Work&& work) noexcept {
  return RunGuarded(static_cast<Work&&>(work), [](const std::exception_ptr&) noexcept {});
}

}  // namespace zeph::crash
