#include "app/win32/services/window_dispatcher.h"

#include <utility>

namespace zeph::win32 {
namespace {
constexpr WPARAM kRunQueued = 1;
constexpr WPARAM kRunSent = 2;
}  // namespace

void WindowDispatcher::Attach(HWND window) {
  std::lock_guard lock(mutex_);
  window_ = window;
}

void WindowDispatcher::Detach() {
  std::deque<std::function<void()>> dropped;
  std::map<std::uintptr_t, std::shared_ptr<SentCall>> abandoned;
  {
    std::lock_guard lock(mutex_);
    window_ = nullptr;
    dropped.swap(queued_);
    abandoned.swap(sent_);
    // A call already running finishes on this thread and releases its worker then.
    for (auto& [token, call] : abandoned) call->state = SentCall::State::Dropped;
  }
  callEnded_.NotifyAll();
  // The work is freed here, outside the lock: a destructor may queue again.
}

void WindowDispatcher::Queue(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  if (!window_ || !work) return;
  queued_.push_back(std::move(work));
  // One message per piece of work, so a piece that throws leaves the rest to
  // their own messages.
  if (!PostMessageW(window_, kMessage, kRunQueued, 0)) queued_.pop_back();
}

// Posted, not sent: a window that is destroyed before it reads the message drops it,
// and Detach then lets the worker go, whether or not the window's thread ever reads
// its messages again.
bool WindowDispatcher::Invoke(std::function<void()> work) {
  if (!work) return false;
  auto call = std::make_shared<SentCall>();
  std::unique_lock lock(mutex_);
  if (!window_) return false;
  if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
    lock.unlock();
    work();
    return true;
  }
  call->work = std::move(work);
  const std::uintptr_t token = nextToken_++;
  sent_.emplace(token, call);
  if (!PostMessageW(window_, kMessage, kRunSent, static_cast<LPARAM>(token))) {
    sent_.erase(token);
    return false;
  }
  callEnded_.Wait(lock, [&] {
    return call->state == SentCall::State::Done || call->state == SentCall::State::Dropped;
  });
  return call->state == SentCall::State::Done;
}

bool WindowDispatcher::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != kMessage) return false;
  result = 0;
  if (wParam == kRunSent) {
    RunSent(lParam, result);
    return true;
  }
  if (wParam != kRunQueued) return true;
  std::function<void()> work;
  {
    std::lock_guard lock(mutex_);
    if (!window_ || queued_.empty()) return true;
    work = std::move(queued_.front());
    queued_.pop_front();
  }
  work();
  result = 1;
  return true;
}

// The token only picks a call this dispatcher issued and still holds; each runs once.
void WindowDispatcher::RunSent(LPARAM token, LRESULT& result) {
  std::shared_ptr<SentCall> call;
  {
    std::lock_guard lock(mutex_);
    const auto it = sent_.find(static_cast<std::uintptr_t>(token));
    if (!window_ || it == sent_.end()) return;
    call = std::move(it->second);
    sent_.erase(it);
    call->state = SentCall::State::Running;
  }
  // The worker waits until the work has ended, also when it throws (the window
  // procedure reports that): its work may refer to the worker's own stack.
  struct EndCall {
    WindowDispatcher& dispatcher;
    SentCall& call;
    ~EndCall() {
      {
        std::lock_guard lock(dispatcher.mutex_);
        call.state = SentCall::State::Done;
      }
      dispatcher.callEnded_.NotifyAll();
    }
  } end{*this, *call};
  call->work();
  result = 1;
}

std::size_t WindowDispatcher::PendingForTest() {
  std::lock_guard lock(mutex_);
  return queued_.size() + sent_.size();
}

}  // namespace zeph::win32
