#pragma once
// Fakes of the update unit's platform services. Each records what it was asked, in
// order, and answers what the test told it to.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "update/platform.h"

namespace zeph::update::testing {

// What one request answers: a body, a failure (std::nullopt) or TooLarge().
struct FakeReply {
  FakeReply(std::wstring body) : result(HttpResult::Reply), body(std::move(body)) {}
  FakeReply(const wchar_t* body) : FakeReply(std::wstring(body)) {}
  FakeReply(std::nullopt_t) : result(HttpResult::Failed) {}
  static FakeReply TooLarge() {
    FakeReply reply(std::nullopt);
    reply.result = HttpResult::TooLarge;
    return reply;
  }
  HttpResult result;
  std::wstring body;
};

class FakeHttpClient : public HttpClient {
 public:
  struct Request {
    std::wstring url;
    std::vector<HttpHeader> headers;
  };
  HttpResult Get(const std::wstring& url, const std::vector<HttpHeader>& headers, std::wstring& body) override {
    requests.push_back({url, headers});
    if (duringGet) duringGet();
    if (replies.empty()) return HttpResult::Failed;
    FakeReply reply = std::move(replies.front());
    replies.pop_front();
    if (reply.result == HttpResult::Reply) body = std::move(reply.body);
    return reply.result;
  }
  // One entry per attempt. Every attempt past the end of the list fails.
  std::deque<FakeReply> replies;
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

// Records what the desktop shell was asked to open. By default there is no desktop
// shell to take it, as under Wine without a desktop. `duringExecute` runs inside
// each request (e.g. to note which thread asks).
class FakeShell : public Shell {
 public:
  struct Call {
    std::wstring verb;
    std::wstring file;
    int showCommand;
  };
  bool ExecuteAsDesktopUser(const std::wstring& verb, const std::wstring& file, int showCommand) override {
    calls.push_back({verb, file, showCommand});
    if (duringExecute) duringExecute();
    return desktopShellTakes;
  }
  bool desktopShellTakes = false;
  std::vector<Call> calls;
  std::function<void()> duringExecute;
};

class FakeAddressBox : public AddressBox {
 public:
  struct Call {
    WindowHandle owner;
    std::wstring caption;
    std::wstring address;
  };
  void Show(WindowHandle owner, const std::wstring& caption, const std::wstring& address) override {
    calls.push_back({owner, caption, address});
    if (duringShow) duringShow();
  }
  std::vector<Call> calls;
  std::function<void()> duringShow;  // e.g. to note the order of what the user sees
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
