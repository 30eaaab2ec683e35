#include "app/win32/services/worker_threads.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace zeph::win32 {
namespace {

// Each body runs on a thread of its own, and one that throws ends only itself.
TEST(WorkerThreadsTest, BodiesRunOnTheirOwnThreadsAndAThrowEndsOnlyThatOne) {
  DetachedThreads threads;
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> ranOn{GetCurrentThreadId()};
  threads.Start([] { throw std::runtime_error("a silent failure"); });
  threads.Start([&] {
    ranOn = GetCurrentThreadId();
    SetEvent(done);
  });
  ASSERT_EQ(WaitForSingleObject(done, 10000), WAIT_OBJECT_0);
  EXPECT_NE(ranOn.load(), GetCurrentThreadId());
  CloseHandle(done);
}

}  // namespace
}  // namespace zeph::win32
