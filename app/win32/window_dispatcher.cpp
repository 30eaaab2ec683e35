#include "app/win32/window_dispatcher.h"

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
  {
    std::lock_guard lock(mutex_);
    window_ = nullptr;
    dropped.swap(queued_);
  }
  // `dropped` frees the work here, outside the lock: a destructor may queue again.
}

void WindowDispatcher::Queue(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  if (!window_ || !work) return;
  queued_.push_back(std::move(work));
  // One message per piece of work, so a piece that throws leaves the rest to
  // their own messages.
  if (!PostMessageW(window_, kMessage, kRunQueued, 0)) queued_.pop_back();
}

bool WindowDispatcher::Invoke(std::function<void()> work) {
  HWND window;
  {
    std::lock_guard lock(mutex_);
    window = window_;
  }
  if (!window || !work) return false;
  // The window's thread runs it (at once when that is this thread). A window that
  // is destroyed meanwhile answers 0: either the send fails or HandleMessage
  // finds the dispatcher detached.
  return SendMessageW(window, kMessage, kRunSent, reinterpret_cast<LPARAM>(&work)) == 1;
}

bool WindowDispatcher::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != kMessage) return false;
  result = 0;
  std::function<void()> work;
  {
    std::lock_guard lock(mutex_);
    if (!window_) return true;
    if (wParam == kRunQueued) {
      if (queued_.empty()) return true;
      work = std::move(queued_.front());
      queued_.pop_front();
    }
  }
  if (wParam == kRunSent) {
    (*reinterpret_cast<std::function<void()>*>(lParam))();
  } else if (work) {
    work();
  }
  result = 1;
  return true;
}

std::size_t WindowDispatcher::PendingForTest() {
  std::lock_guard lock(mutex_);
  return queued_.size();
}

}  // namespace zeph::win32
