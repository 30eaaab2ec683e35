#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zeph::app {
namespace {

constexpr tray::WindowHandle kRunning = 0x2a0;

// The window and process services of one machine: maybe a running copy (its window,
// its mutex), whose window goes away after a number of IsWindow tests once it has
// been asked to quit. Every call is recorded as text.
class FakeInstanceServices : public InstanceServices {
 public:
  tray::WindowHandle FindWindowOfClass(const std::wstring& className) override {
    calls.push_back("FindWindowOfClass(" + Narrow(className) + ")");
    return window;
  }
  MutexResult CreateNamedMutex(const std::wstring& name) override {
    calls.push_back("CreateNamedMutex(" + Narrow(name) + ")");
    const MutexResult result = mutexResult;
    if (result == MutexResult::Created) mutexResult = MutexResult::AlreadyExists;  // the name is held now
    return result;
  }
  std::intptr_t SendMessageTo(tray::WindowHandle target, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) override {
    calls.push_back("SendMessageTo(" + std::to_string(target) + "," + std::to_string(message) + "," +
                    std::to_string(wParam) + "," + std::to_string(lParam) + ")");
    if (target == window && message == kWmUser && wParam == 2) quitting = true;
    return 0;
  }
  bool IsWindow(tray::WindowHandle target) override {
    calls.push_back("IsWindow(" + std::to_string(target) + ")");
    if (target == 0 || target != window) return false;
    if (quitting && testsUntilGone-- <= 0) window = 0;
    return window != 0;
  }
  void Sleep(std::uint32_t milliseconds) override { calls.push_back("Sleep(" + std::to_string(milliseconds) + ")"); }

  static std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

  tray::WindowHandle window = 0;
  MutexResult mutexResult = MutexResult::Created;
  int testsUntilGone = 0;  // IsWindow answers true this many times after request 2
  bool quitting = false;
  std::vector<std::string> calls;
};

struct Outcome {
  int exitCode;
  std::vector<std::string> calls;
};

Outcome Start(FakeInstanceServices& services, const std::vector<std::wstring>& args) {
  const int exitCode = RunStartup(services, args, [&] {
    services.calls.push_back("MainCopy");
    return 7;
  });
  return {exitCode, services.calls};
}

const std::string kFind = "FindWindowOfClass(TFrmTidewell)";
const std::string kMutex = "CreateNamedMutex(TFrmTidewell)";
const std::string kShow = "SendMessageTo(672,1024,1,0)";
const std::string kUninstall = "SendMessageTo(672,1024,2,0)";
const std::string kTest = "IsWindow(672)";
const std::string kSleep = "Sleep(100)";

struct Row {
  const char* name;
  std::vector<std::wstring> args;
  std::vector<std::string> noCopy;   // calls when no copy runs
  std::vector<std::string> running;  // calls when a copy runs (and its window goes at once)
};

TEST(Startup, CommandLineTable) {
  const std::vector<std::string> mainCopy = {kFind, kMutex, "MainCopy"};
  const std::vector<Row> rows = {
      {"no argument", {}, mainCopy, {kFind, kMutex, kShow}},
      {"/start", {L"/start"}, mainCopy, {kFind, kMutex}},
      {"/inst", {L"/inst"}, mainCopy, {kFind, kMutex, kShow}},
      {"/uninst", {L"/uninst"}, {kFind, "IsWindow(0)"}, {kFind, kUninstall, kTest}},
      {"capitals are not /start", {L"/START"}, mainCopy, {kFind, kMutex, kShow}},
      {"no slash is not /start", {L"start"}, mainCopy, {kFind, kMutex, kShow}},
      {"trailing blank is not /start", {L"/start "}, mainCopy, {kFind, kMutex, kShow}},
      {"capitals are not /uninst", {L"/UNINST"}, mainCopy, {kFind, kMutex, kShow}},
      {"/start as second argument", {L"x", L"/start"}, mainCopy, {kFind, kMutex, kShow}},
      {"/uninst as second argument", {L"/start", L"/uninst"}, mainCopy, {kFind, kMutex}},
      {"empty first argument", {L""}, mainCopy, {kFind, kMutex, kShow}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeInstanceServices none;
    const Outcome first = Start(none, row.args);
    EXPECT_EQ(first.calls, row.noCopy);
    EXPECT_EQ(first.exitCode, row.noCopy.back() == "MainCopy" ? 7 : 0);

    FakeInstanceServices copy;
    copy.window = kRunning;
    copy.mutexResult = MutexResult::AlreadyExists;
    const Outcome second = Start(copy, row.args);
    EXPECT_EQ(second.calls, row.running);
    EXPECT_EQ(second.exitCode, 0);
  }
}

// The sender tests the window up to ten times, 100 ms apart, and ends either way.
TEST(Startup, UninstallWaitsUpToOneSecondForTheWindowToGo) {
  struct Case {
    int testsUntilGone;
    int expectedTests;
  };
  for (const Case c : {Case{0, 1}, Case{3, 4}, Case{9, 10}, Case{10, 10}, Case{1000, 10}}) {
    SCOPED_TRACE(c.testsUntilGone);
    FakeInstanceServices copy;
    copy.window = kRunning;
    copy.mutexResult = MutexResult::AlreadyExists;
    copy.testsUntilGone = c.testsUntilGone;
    const Outcome outcome = Start(copy, {L"/uninst"});

    std::vector<std::string> expected = {kFind, kUninstall};
    for (int test = 0; test < c.expectedTests; ++test) {
      expected.push_back(kTest);
      if (test < c.testsUntilGone) expected.push_back(kSleep);
    }
    EXPECT_EQ(outcome.calls, expected);
    EXPECT_EQ(outcome.exitCode, 0);
  }
}

// A copy that holds the mutex but whose window is not found (yet): nothing is sent
// to no window, and no second main copy starts.
TEST(Startup, RunningCopyWithoutWindowGetsNothingAndNoSecondMainCopy) {
  for (const std::vector<std::wstring>& args : {std::vector<std::wstring>{}, {L"/inst"}, {L"/start"}}) {
    FakeInstanceServices copy;
    copy.mutexResult = MutexResult::AlreadyExists;
    EXPECT_EQ(Start(copy, args).calls, (std::vector<std::string>{kFind, kMutex}));
  }
}

// Two starts on one machine: the second finds the first's mutex even though the
// first has no window yet, so only one main copy runs.
TEST(Startup, SecondStartAfterTheMutexIsTakenDoesNotRunASecondMainCopy) {
  FakeInstanceServices machine;
  EXPECT_EQ(Start(machine, {}).exitCode, 7);
  machine.calls.clear();
  EXPECT_EQ(Start(machine, {}).calls, (std::vector<std::string>{kFind, kMutex}));
}

// Without any mutex from the system the program still runs rather than refusing to start.
TEST(Startup, MutexThatCannotBeMadeStillStartsTheMainCopy) {
  FakeInstanceServices services;
  services.mutexResult = MutexResult::Failed;
  EXPECT_EQ(Start(services, {}).calls, (std::vector<std::string>{kFind, kMutex, "MainCopy"}));
}

}  // namespace
}  // namespace zeph::app
