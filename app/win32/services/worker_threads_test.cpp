#include "app/win32/services/worker_threads.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/win32/handles.h"

#include <atomic>
#include <stdexcept>

namespace zeph::win32 {
namespace {

// Each body runs on a thread of its own, and one that throws ends only itself.
TEST(WorkerThreadsTest, BodiesRunOnTheirOwnThreadsAndAThrowEndsOnlyThatOne) {
  DetachedThreads threads;
  const UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::atomic<DWORD> ranOn{GetCurrentThreadId()};
  threads.Start([] { throw std::runtime_error("a silent failure"); });
  threads.Start([&] {
    ranOn = GetCurrentThreadId();
    SetEvent(done.get());
  });
  ASSERT_EQ(WaitForSingleObject(done.get(), 10000), WAIT_OBJECT_0);
  EXPECT_NE(ranOn.load(), GetCurrentThreadId());
}

}  // namespace
}  // namespace zeph::win32
