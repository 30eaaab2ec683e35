#include "app/win32/services/worker_threads.h"

#include <windows.h>

#include <memory>
#include <string>

#include "common/error.h"
#include "common/utf.h"
#include "common/win32/handles.h"

#include "crash/fault.h"

namespace zeph::win32 {
namespace {

DWORD WINAPI RunBody(void* parameter) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
  // A worker's C++ error ends only its own work; a fault ends the program.
  crash::RunGuarded(*body);
  return 0;
}

}  // namespace

// CreateThread rather than std::thread: the workers need nothing of the POSIX thread
// layer std::thread stands on, and leaving it out keeps it out of the exe. The C
// runtime is msvcrt.dll, which sets up a thread's own data on first use, so a plain
// system thread may call into it.
void DetachedThreads::Start(std::function<void()> body) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  const UniqueHandle thread(CreateThread(nullptr, 0, RunBody, owned.get(), 0, nullptr));
  if (!thread) {
    throw Error(L"Windows could not start a thread (error " + DecimalText(GetLastError()) + L").");
  }
  owned.release();  // the thread owns it now
}

}  // namespace zeph::win32
