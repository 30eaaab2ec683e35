#include "crash/fault.h"

#include <cxxabi.h>

#include <atomic>
#include <cstdlib>

namespace zeph::crash {
namespace {
std::atomic<ForeignFaultHandler> handler{nullptr};
}  // namespace

void SetForeignFaultHandler(ForeignFaultHandler next) noexcept { handler.store(next); }

bool HandOverForeignFault() noexcept {
  // The C++ runtime knows the type of every exception a C++ throw raised; for one
  // the unwinder brought in from outside (a structured exception) it has none.
  if (abi::__cxa_current_exception_type() != nullptr) return false;
  const ForeignFaultHandler take = handler.load();
  if (take == nullptr) std::abort();
  take();
  return true;
}

}  // namespace zeph::crash
