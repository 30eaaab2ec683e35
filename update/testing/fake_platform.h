#pragma once
// Fakes of the update unit's platform services. Each records what it was asked, in
// order, and answers what the test told it to.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "update/platform.h"

namespace zeph::update::testing {

class FakeHttpClient : public HttpClient {
 public:
  struct Request {
    std::wstring url;
    std::vector<HttpHeader> headers;
  };
  bool Get(const std::wstring& url, const std::vector<HttpHeader>& headers, std::wstring& body) override {
    requests.push_back({url, headers});
    if (duringGet) duringGet();
    if (replies.empty()) return false;
    std::optional<std::wstring> reply = std::move(replies.front());
    replies.pop_front();
    if (!reply) return false;
    body = std::move(*reply);
    return true;
  }
  // One entry per attempt: a body, or nothing for a failed request. Every attempt
  // past the end of the list fails.
  std::deque<std::optional<std::wstring>> replies;
  std::vector<Request> requests;
  std::function<void()> duringGet;  // runs inside every request, e.g. to close the window there
};

class FakeVersionBlock : public VersionBlock {
 public:
  FakeVersionBlock() = default;
  FakeVersionBlock(unsigned major, unsigned minor, unsigned release, unsigned build)
      : version(FileVersion{(major << 16) | minor, (release << 16) | build}) {}
  std::optional<FileVersion> RunningExeVersion() const override { return version; }
  std::optional<FileVersion> version;  // nothing: the executable has no version block
};

class FakeShell : public Shell {
 public:
  struct Call {
    WindowHandle owner;
    std::wstring verb;
    std::wstring file;
    int showCommand;
  };
  void Execute(WindowHandle owner, const std::wstring& verb, const std::wstring& file, int showCommand) override {
    calls.push_back({owner, verb, file, showCommand});
  }
  std::vector<Call> calls;
};

class FakePrompt : public Prompt {
 public:
  struct Call {
    WindowHandle owner;
    std::wstring text;
    std::wstring caption;
    std::uint32_t flags;
  };
  int Show(WindowHandle owner, const std::wstring& text, const std::wstring& caption, std::uint32_t flags) override {
    calls.push_back({owner, text, caption, flags});
    return answer;
  }
  int answer = 7;  // IDNO
  std::vector<Call> calls;
};

// A stop event that never sleeps: it records each wait and answers whether it is
// set. `duringWait` runs inside the n-th wait (1-based), e.g. to close the window there.
class FakeStopEvent : public StopEvent {
 public:
  void Set() override { set = true; }
  bool Wait(std::uint32_t milliseconds) override {
    waits.push_back(milliseconds);
    if (duringWait) duringWait(static_cast<int>(waits.size()));
    return set;
  }
  bool set = false;
  std::vector<std::uint32_t> waits;
  std::function<void(int wait)> duringWait;
};

}  // namespace zeph::update::testing
