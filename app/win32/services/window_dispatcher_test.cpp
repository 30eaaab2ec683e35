#include "app/win32/services/window_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "common/win32/threads.h"

namespace zeph::win32 {
namespace {

// A hidden window whose procedure hands the dispatcher's message over, catching
// what work throws as the program's window procedure does.
class DispatcherWindow {
 public:
  DispatcherWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TidewellDispatcherTest";
    RegisterClassW(&wc);
    hwnd = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    dispatcher.Attach(hwnd);
  }
  ~DispatcherWindow() {
    dispatcher.Detach();
    DestroyWindow(hwnd);
  }

  // Handles this thread's messages until `done` holds or two seconds pass.
  template <typename Done>
  bool PumpUntil(Done done) {
    const ULONGLONG deadline = GetTickCount64() + 2000;
    MSG msg;
    while (!done()) {
      if (GetTickCount64() > deadline) return false;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
  }

  void Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<DispatcherWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    LRESULT result = 0;
    try {
      if (self && self->dispatcher.HandleMessage(msg, w, l, result)) return result;
    } catch (...) {
      ++self->errors;
      return 0;
    }
    return DefWindowProcW(hwnd, msg, w, l);
  }

  WindowDispatcher dispatcher;
  HWND hwnd = nullptr;
  int errors = 0;
};

TEST(WindowDispatcherTest, QueuedWorkRunsOnTheWindowThreadInOrder) {
  DispatcherWindow w;
  const DWORD uiThread = GetCurrentThreadId();
  std::vector<int> order;
  std::vector<DWORD> threads;
  Thread worker([&] {
    for (int i = 0; i < 5; ++i) {
      w.dispatcher.Queue([&, i] {
        order.push_back(i);
        threads.push_back(GetCurrentThreadId());
      });
    }
  });
  worker.Join();
  EXPECT_TRUE(order.empty()) << "nothing runs before the window thread reads its messages";
  ASSERT_TRUE(w.PumpUntil([&] { return order.size() == 5; }));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  for (DWORD t : threads) EXPECT_EQ(t, uiThread);
}

TEST(WindowDispatcherTest, InvokeWaitsForTheWindowThread) {
  DispatcherWindow w;
  std::atomic<bool> returned{false};
  DWORD ranOn = 0;
  bool answer = false;
  Thread worker([&] {
    answer = w.dispatcher.Invoke([&] { ranOn = GetCurrentThreadId(); });
    returned = true;
  });
  ASSERT_TRUE(w.PumpUntil([&] { return returned.load(); }));
  worker.Join();
  EXPECT_TRUE(answer);
  EXPECT_EQ(ranOn, GetCurrentThreadId());
  // On the window's own thread the work runs at once.
  int inline_runs = 0;
  EXPECT_TRUE(w.dispatcher.Invoke([&] { ++inline_runs; }));
  EXPECT_EQ(inline_runs, 1);
}

TEST(WindowDispatcherTest, WorkAfterTheWindowIsGoneIsDroppedAndFreed) {
  DispatcherWindow w;
  auto token = std::make_shared<int>(0);
  int runs = 0;
  w.dispatcher.Queue([token, &runs] { ++runs; });
  w.dispatcher.Queue([token, &runs] { ++runs; });
  EXPECT_EQ(token.use_count(), 3);
  w.dispatcher.Detach();
  EXPECT_EQ(token.use_count(), 1) << "pending work is freed when the window goes";
  EXPECT_EQ(w.dispatcher.PendingForTest(), 0u);

  w.dispatcher.Queue([token, &runs] { ++runs; });
  EXPECT_EQ(token.use_count(), 1) << "later work is refused and freed at once";
  bool invoked = true;
  Thread worker([&] { invoked = w.dispatcher.Invoke([&runs] { ++runs; }); });
  worker.Join();
  EXPECT_FALSE(invoked);
  w.Drain();  // the messages already posted find nothing to run
  EXPECT_EQ(runs, 0);
}

// Any process can send the window the hand-over message with whatever it likes in
// it; only work a worker handed over through the dispatcher may ever run.
TEST(WindowDispatcherTest, AForgedHandOverRunsNothing) {
  DispatcherWindow w;
  bool ran = false;
  std::function<void()> forged = [&] { ran = true; };
  for (const WPARAM code : {WPARAM{1}, WPARAM{2}, WPARAM{3}}) {
    EXPECT_EQ(SendMessageW(w.hwnd, WindowDispatcher::kMessage, code, reinterpret_cast<LPARAM>(&forged)), 0) << code;
  }
  EXPECT_FALSE(ran);
}

// A worker waiting for the window's thread is let go when the window goes, even
// though that thread never reads its messages again.
TEST(WindowDispatcherTest, AWaitingWorkerIsReleasedWhenTheWindowGoes) {
  DispatcherWindow w;
  std::atomic<int> answer{-1};
  int runs = 0;
  Thread worker([&] { answer = w.dispatcher.Invoke([&] { ++runs; }) ? 1 : 0; });
  const ULONGLONG deadline = GetTickCount64() + 2000;
  while (w.dispatcher.PendingForTest() == 0 && GetTickCount64() < deadline) Sleep(1);
  EXPECT_EQ(w.dispatcher.PendingForTest(), 1u);
  w.dispatcher.Detach();
  while (answer < 0 && GetTickCount64() < deadline + 2000) Sleep(1);
  EXPECT_EQ(answer, 0);
  if (answer < 0) w.PumpUntil([&] { return answer >= 0; });  // a worker still waiting must not hang the test
  worker.Join();
  w.Drain();
  EXPECT_EQ(runs, 0);
}

TEST(WindowDispatcherTest, WorkThatThrowsDoesNotHoldUpTheRest) {
  DispatcherWindow w;
  int after = 0;
  w.dispatcher.Queue([] { throw std::runtime_error("boom"); });
  w.dispatcher.Queue([&] { ++after; });
  w.dispatcher.Queue({});  // empty work is ignored
  ASSERT_TRUE(w.PumpUntil([&] { return after == 1; }));
  EXPECT_EQ(w.errors, 1);
  EXPECT_EQ(w.dispatcher.PendingForTest(), 0u);
}

}  // namespace
}  // namespace zeph::win32
