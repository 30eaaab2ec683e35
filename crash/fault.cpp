#include "crash/fault.h"

#include <atomic>
#include <cstdlib>
#include <exception>

namespace zeph::crash {
namespace {
std::atomic<ForeignFaultHandler> handler{nullptr};
}  // namespace

void SetForeignFaultHandler(ForeignFaultHandler next) noexcept { handler.store(next); }

bool HandOverForeignFault() noexcept {
  // Inside a catch block the C++ runtime hands out every exception a C++ throw
  // raised; one the unwinder brought in from outside it cannot, and answers none.
  // (Its __cxa_current_exception_type does not tell: for a foreign exception it
  // reads a header the exception does not have.)
  if (std::current_exception()) return false;
  const ForeignFaultHandler take = handler.load();
  if (take == nullptr) std::abort();
  take();
  return true;
}

}  // namespace zeph::crash
