#pragma once
// A lock, a condition variable and a joinable thread straight from Windows (SRWLOCK,
// CONDITION_VARIABLE and CreateThread, all in Windows 7). The Windows builds use
// MinGW-w64's win32 thread model, whose C++ runtime needs no POSIX thread layer and
// so has no std::mutex, std::condition_variable or std::thread: the program and its
// Windows tests use these in their place.
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>  // std::lock_guard and std::unique_lock, which take any lockable
#include <utility>

#include "common/error.h"
#include "common/utf.h"
#include "common/win32/handles.h"

namespace zeph::win32 {

// An exclusive lock (not recursive) for std::lock_guard and std::unique_lock.
class Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock() noexcept { ::AcquireSRWLockExclusive(&lock_); }
  void unlock() noexcept { ::ReleaseSRWLockExclusive(&lock_); }

 private:
  friend class ConditionVariable;
  SRWLOCK lock_ = SRWLOCK_INIT;
};

class ConditionVariable {
 public:
  ConditionVariable() = default;
  ConditionVariable(const ConditionVariable&) = delete;
  ConditionVariable& operator=(const ConditionVariable&) = delete;

  // Waits, with `lock` held on entry and on return, until `done()` is true. A wake-up
  // may be spurious, so `done` is asked again after each.
  template <typename Done>
  void Wait(std::unique_lock<Mutex>& lock, Done done) {
    while (!done()) ::SleepConditionVariableSRW(&condition_, &lock.mutex()->lock_, INFINITE, 0);
  }
  void NotifyAll() noexcept { ::WakeAllConditionVariable(&condition_); }

 private:
  CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

// Runs `body` on a thread of its own. Join waits for it; the destructor of a thread
// neither joined nor detached joins it too. A body must not throw: like std::thread's,
// an exception that leaves it ends the program. Throws zeph::Error when Windows cannot
// start the thread. The C runtime is msvcrt.dll, which sets up a thread's own data on
// first use, so a plain system thread may call into it.
class Thread {
 public:
  explicit Thread(std::function<void()> body) {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    handle_.reset(::CreateThread(nullptr, 0, Run, owned.get(), 0, nullptr));
    if (!handle_) {
      throw Error(L"Windows could not start a thread (error " + DecimalText(::GetLastError()) + L").");
    }
    owned.release();  // the thread owns it now
  }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread() { Join(); }

  void Join() noexcept {
    if (handle_) ::WaitForSingleObject(handle_.get(), INFINITE);
    handle_.reset();
  }
  void Detach() noexcept { handle_.reset(); }

 private:
  static DWORD WINAPI Run(void* parameter) {
    const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    (*body)();
    return 0;
  }

  UniqueHandle handle_;
};

}  // namespace zeph::win32
