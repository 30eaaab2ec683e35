#pragma once
// An exception the C++ runtime did not raise, as an unwinder that takes structured
// exceptions for foreign ones delivers a hardware fault to a catch (...), and a
// count of the faults handed to the crash reporter while a test watches.
// MinGW's <unwind.h> brings in <windows.h>: include this after the headers whose
// names its macros would rename.
#include <unwind.h>

#include "crash/fault.h"

namespace zeph::crash::testing {

[[noreturn]] inline void RaiseForeignException() {
  static _Unwind_Exception foreign{};
  foreign.exception_class = 0x464F524549474E00;  // "FOREIGN"
  _Unwind_RaiseException(&foreign);
  __builtin_trap();  // the unwinder returns only when nothing catches the exception
}

// Faults handed over while it lives; the process ends on one otherwise.
class FaultWatch {
 public:
  FaultWatch() {
    count_ = 0;
    SetForeignFaultHandler([] { ++count_; });
  }
  ~FaultWatch() { SetForeignFaultHandler(nullptr); }
  FaultWatch(const FaultWatch&) = delete;
  FaultWatch& operator=(const FaultWatch&) = delete;
  int HandedOver() const { return count_; }

 private:
  static inline int count_ = 0;
};

}  // namespace zeph::crash::testing
