// The update check driven through fake network, prompt, shell and stop event, with
// the test thread standing in for both the worker and the UI thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/testing/fake_message_boxes.h"
#include "common/testing/manual_dispatcher.h"
#include "update/testing/fake_platform.h"
#include "update/update.h"
#include "common/error.h"
#include "update/web_addresses.h"
#if !defined(_WIN32)
#include "crash/testing/foreign_exception.h"
#endif

namespace zeph::update {
namespace {

using zeph::testing::ManualDispatcher;
using zeph::testing::ManualThreads;

const std::wstring kUrl = L"https://127.0.0.1:8443/api.init.php";
const std::wstring kTitle = L"Tidewell";
const std::wstring kReply = LR"({"version":"1.6.7","update":"https:\/\/127.0.0.1:8443\/dl\/tidewell.exe"})";
const std::wstring kAddress = L"https://127.0.0.1:8443/dl/tidewell.exe";
const std::wstring kEnglish =
    L"This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\r"
    L"Do you want to download it?";
constexpr WindowHandle kWindow = 0x4a0;  // the application window

// The test thread stands for both threads; this tells which one it is standing for.
class UiTrackingDispatcher : public ManualDispatcher {
 public:
  bool Invoke(std::function<void()> work) override {
    onUi = true;
    const bool ran = ManualDispatcher::Invoke(std::move(work));
    onUi = false;
    return ran;
  }
  bool onUi = false;
};

struct ProcCall {
  bool updated;
  std::wstring data;
};

// One check wired to fakes; the test runs the worker with RunWorker().
struct CheckRig {
  std::shared_ptr<testing::FakeHttpClient> http = std::make_shared<testing::FakeHttpClient>();
  std::shared_ptr<testing::FakeVersionBlock> version = std::make_shared<testing::FakeVersionBlock>(1, 6, 6, 0);
  std::shared_ptr<testing::FakeStopEvent> stop = std::make_shared<testing::FakeStopEvent>();
  std::shared_ptr<zeph::testing::FakeMessageBoxes> prompt = std::make_shared<zeph::testing::FakeMessageBoxes>();
  std::shared_ptr<testing::FakeShell> shell = std::make_shared<testing::FakeShell>();
  std::shared_ptr<testing::FakeAddressBox> addressBox = std::make_shared<testing::FakeAddressBox>();
  std::shared_ptr<UiTrackingDispatcher> ui = std::make_shared<UiTrackingDispatcher>();
  ManualThreads threads;
  std::vector<ProcCall> procCalls;
  std::shared_ptr<UpdateCheck> check;

  void Start(const std::wstring& userLanguage = L"en", bool debug = false) {
    UpdateCheckEnvironment env;
    env.userLanguage = userLanguage;
    env.owner = kWindow;
    env.title = kTitle;
    env.http = http;
    env.versionBlock = version;
    env.stop = stop;
    env.prompt = prompt;
    env.shell = shell;
    env.addressBox = addressBox;
    env.ui = ui;
    check = CheckUpdate(kUrl, debug, [this](bool updated, const std::wstring& data) {
      procCalls.push_back({updated, data});
    }, env, threads);
  }
  void RunWorker() { ASSERT_TRUE(threads.RunNext()); }
};

TEST(CheckUpdate, ReturnsAtOnceAndWorksOnTheWorker) {
  CheckRig rig;
  rig.http->replies = {kReply};
  rig.Start();
  EXPECT_TRUE(rig.http->requests.empty());
  EXPECT_TRUE(rig.procCalls.empty());
  rig.RunWorker();
  EXPECT_EQ(rig.http->requests.size(), 1u);
  EXPECT_EQ(rig.ui->invokes, 1);
  EXPECT_EQ(rig.procCalls.size(), 1u);
}

TEST(CheckUpdate, SendsTheThreeHeadersInOrder) {
  struct Case {
    std::optional<FileVersion> version;
    std::wstring userLanguage;
    bool debug;
    std::wstring expectVersion, expectLanguage, expectDebug;
  };
  const Case cases[] = {
      {FileVersion{0x00010006, 0x00060000}, L"ko", false, L"1.6.6.0", L"ko", L"false"},
      {FileVersion{0x00010006, 0x00060000}, L"en", true, L"1.6.6.0", L"en", L"true"},
      {FileVersion{0xFFFF0000, 0x0000FFFF}, L"haw", false, L"65535.0.0.65535", L"ha", L"false"},
      {std::nullopt, L"", false, L"0.0.0.0", L"", L"false"},
  };
  for (const Case& c : cases) {
    CheckRig rig;
    rig.version->version = c.version;
    rig.Start(c.userLanguage, c.debug);
    rig.RunWorker();
    ASSERT_FALSE(rig.http->requests.empty());
    const auto& request = rig.http->requests[0];
    EXPECT_EQ(request.url, kUrl);
    ASSERT_EQ(request.headers.size(), 3u);
    EXPECT_EQ(request.headers[0].name, L"User-Version");
    EXPECT_EQ(request.headers[1].name, L"User-Language");
    EXPECT_EQ(request.headers[2].name, L"User-Debug");
    EXPECT_EQ(request.headers[0].value, c.expectVersion);
    EXPECT_EQ(request.headers[1].value, c.expectLanguage);
    EXPECT_EQ(request.headers[2].value, c.expectDebug);
  }
}

TEST(CheckUpdate, SixtyFailuresEndQuietlyAfterSixtyPauses) {
  CheckRig rig;
  rig.Start();
  rig.RunWorker();
  EXPECT_EQ(rig.http->requests.size(), 60u);
  EXPECT_EQ(rig.stop->waits, std::vector<std::uint32_t>(60, 10000u));
  EXPECT_TRUE(rig.prompt->shown.empty());
  ASSERT_EQ(rig.procCalls.size(), 1u);
  EXPECT_FALSE(rig.procCalls[0].updated);
  EXPECT_EQ(rig.procCalls[0].data, L"");
}

TEST(CheckUpdate, AReplyTooLargeEndsTheCheckWithNoUpdate) {
  CheckRig rig;
  rig.http->replies = {std::nullopt, testing::FakeReply::TooLarge(), kReply};
  rig.prompt->defaultAnswer = 6;
  rig.Start();
  rig.RunWorker();
  EXPECT_EQ(rig.http->requests.size(), 2u);
  EXPECT_EQ(rig.stop->waits.size(), 1u);
  EXPECT_TRUE(rig.prompt->shown.empty());
  ASSERT_EQ(rig.procCalls.size(), 1u);
  EXPECT_FALSE(rig.procCalls[0].updated);
  EXPECT_EQ(rig.procCalls[0].data, L"");
}

TEST(CheckUpdate, RetriesUntilAReplyArrives) {
  struct Case {
    int failures;
  };
  for (const Case c : {Case{0}, Case{1}, Case{59}}) {
    CheckRig rig;
    rig.http->replies.assign(static_cast<std::size_t>(c.failures), std::nullopt);
    rig.http->replies.push_back(kReply);
    rig.http->replies.push_back(L"never asked for");
    rig.Start();
    rig.RunWorker();
    EXPECT_EQ(rig.http->requests.size(), static_cast<std::size_t>(c.failures + 1));
    EXPECT_EQ(rig.stop->waits.size(), static_cast<std::size_t>(c.failures));
    EXPECT_EQ(rig.prompt->shown.size(), 1u) << c.failures;
    ASSERT_EQ(rig.procCalls.size(), 1u);
    EXPECT_EQ(rig.procCalls[0].data, kReply);
  }
}

TEST(CheckUpdate, PromptShowsTheSystemLanguagesText) {
  struct Case {
    std::wstring userLanguage;
    std::wstring startOfText;
  };
  const Case cases[] = {
      {L"en", L"This program has been updated."},
      {L"pt", L"This program has been updated."},
      {L"", L"This program has been updated."},
      {L"FR", L"This program has been updated."},  // the comparison keeps letter case
      {L"fr", L"Ce programme a été mis à jour."},
      {L"ko", L"업데이트가 정보가 있습니다."},
      {L"kok", L"업데이트가 정보가 있습니다."},  // cut to two characters first
  };
  for (const Case& c : cases) {
    CheckRig rig;
    rig.http->replies = {kReply};
    rig.Start(c.userLanguage);
    rig.RunWorker();
    ASSERT_EQ(rig.prompt->shown.size(), 1u) << c.userLanguage;
    const auto& call = rig.prompt->shown[0];
    EXPECT_EQ(call.text.rfind(c.startOfText, 0), 0u) << c.userLanguage;
    EXPECT_EQ(call.owner, kWindow);
    EXPECT_EQ(call.caption, kTitle);
    EXPECT_EQ(call.flags, 0x00050044u);
  }
}

TEST(UpdatePromptText, ParagraphsAreTwoCarriageReturns) {
  EXPECT_EQ(UpdatePromptText(L"xx"), kEnglish);
  for (const wchar_t* lang : {L"ko", L"ja", L"zh", L"de", L"ru", L"it", L"fr", L"en"}) {
    const std::wstring text = UpdatePromptText(lang);
    EXPECT_EQ(text.find(L'\n'), std::wstring::npos) << lang;
    const std::size_t first = text.find(L"\r\r");
    ASSERT_NE(first, std::wstring::npos) << lang;
    EXPECT_NE(text.find(L"\r\r", first + 2), std::wstring::npos) << lang;
  }
  // The Japanese text joins download and run with a middle dot, U+00B7.
  EXPECT_NE(UpdatePromptText(L"ja").find(L"ダウンロード\u00B7実行"), std::wstring::npos);
  EXPECT_NE(UpdatePromptText(L"zh").find(L"吗？"), std::wstring::npos);
}

TEST(CheckUpdate, AnswerDecidesShellCallAndResult) {
  struct Case {
    int answer;
    bool updated;
  };
  for (const Case c : {Case{6, true}, Case{7, false}, Case{0, false}}) {
    CheckRig rig;
    rig.http->replies = {kReply};
    rig.prompt->defaultAnswer = c.answer;
    rig.Start();
    rig.RunWorker();
    ASSERT_EQ(rig.procCalls.size(), 1u);
    EXPECT_EQ(rig.procCalls[0].updated, c.updated) << c.answer;
    EXPECT_EQ(rig.procCalls[0].data, kReply);
    if (c.updated) {
      ASSERT_EQ(rig.shell->calls.size(), 1u);
      EXPECT_EQ(rig.shell->calls[0].verb, L"open");
      EXPECT_EQ(rig.shell->calls[0].file, kAddress);
      EXPECT_EQ(rig.shell->calls[0].showCommand, 1);
    } else {
      EXPECT_TRUE(rig.shell->calls.empty()) << c.answer;
    }
  }
}

TEST(CheckUpdate, OnlyAWebAddressIsOffered) {
  struct Case {
    std::wstring reply;
    bool prompt;
  };
  const Case cases[] = {
      {LR"({"update":"HTTP:\/\/example.test\/dl"})", true},
      {LR"({"update":"C:\\Windows\\System32\\cmd.exe"})", false},
      {LR"({"update":"file:\/\/\/C:\/Windows\/System32\/calc.exe"})", false},
      {LR"({"update":"https:\/\/x\/\" --no-sandbox"})", false},
      {LR"(<html><body>502 Bad Gateway</body></html>)", false},
  };
  for (const Case& c : cases) {
    CheckRig rig;
    rig.http->replies = {c.reply};
    rig.prompt->defaultAnswer = 6;
    rig.Start();
    rig.RunWorker();
    EXPECT_EQ(rig.prompt->shown.size(), c.prompt ? 1u : 0u) << c.reply;
    EXPECT_EQ(rig.shell->calls.size(), c.prompt ? 1u : 0u) << c.reply;
    ASSERT_EQ(rig.procCalls.size(), 1u);
    EXPECT_EQ(rig.procCalls[0].updated, c.prompt);
    EXPECT_EQ(rig.procCalls[0].data, c.reply);
  }
}

TEST(CheckUpdate, StopEndsThePauseAndTheAttempts) {
  struct Case {
    int stopInWait;     // 0: before the worker runs
    std::size_t requests;
  };
  for (const Case c : {Case{0, 0}, Case{1, 1}, Case{3, 3}}) {
    CheckRig rig;
    rig.http->replies.assign(5, std::nullopt);
    rig.http->replies.push_back(kReply);
    rig.Start();
    rig.stop->duringWait = [&](int wait) {
      if (wait == c.stopInWait) rig.check->Stop();
    };
    if (c.stopInWait == 0) rig.check->Stop();
    rig.RunWorker();
    EXPECT_EQ(rig.http->requests.size(), c.requests);
    EXPECT_EQ(rig.stop->waits.size(), c.requests);
    EXPECT_TRUE(rig.prompt->shown.empty());
    // The window still answered, so the caller hears of the end.
    ASSERT_EQ(rig.procCalls.size(), 1u);
    EXPECT_FALSE(rig.procCalls[0].updated);
  }
}

TEST(CheckUpdate, NoPromptWhenTheReplyArrivesWhileClosing) {
  CheckRig rig;
  rig.http->replies = {kReply};
  rig.http->duringGet = [&] {
    rig.check->Stop();
    rig.check->Stop();
  };
  rig.prompt->defaultAnswer = 6;
  rig.Start();
  rig.RunWorker();
  EXPECT_EQ(rig.http->requests.size(), 1u);
  EXPECT_TRUE(rig.prompt->shown.empty());
  EXPECT_TRUE(rig.shell->calls.empty());
  ASSERT_EQ(rig.procCalls.size(), 1u);
  EXPECT_FALSE(rig.procCalls[0].updated);
  EXPECT_EQ(rig.procCalls[0].data, kReply);
}

TEST(CheckUpdate, HandOverToAClosedWindowIsDropped) {
  CheckRig rig;
  rig.http->replies = {kReply};
  rig.prompt->defaultAnswer = 6;
  rig.Start();
  rig.ui->Close();
  rig.RunWorker();
  EXPECT_EQ(rig.ui->invokes, 1);
  EXPECT_TRUE(rig.prompt->shown.empty());
  EXPECT_TRUE(rig.shell->calls.empty());
  EXPECT_TRUE(rig.procCalls.empty());
}

// Accepted: the page opens from the worker, never from the UI thread, where a hung
// Explorer would freeze the window. Where the desktop shell cannot take it, nothing
// opens it elevated: the user gets the address, and only once that box is closed
// does the program end.
TEST(CheckUpdate, AcceptedOpensFromTheWorkerElseOffersTheAddressBeforeTheEnd) {
  for (const bool desktopShellTakes : {true, false}) {
    SCOPED_TRACE(desktopShellTakes);
    CheckRig rig;
    std::vector<std::string> seen;
    rig.http->replies = {kReply};
    rig.prompt->defaultAnswer = 6;
    rig.shell->desktopShellTakes = desktopShellTakes;
    rig.shell->duringExecute = [&] { seen.push_back(rig.ui->onUi ? "shell on the UI thread" : "shell"); };
    rig.addressBox->duringShow = [&] {
      seen.push_back(!rig.ui->onUi ? "box off the UI thread" : rig.procCalls.empty() ? "box" : "box after the end");
    };
    rig.Start();
    rig.RunWorker();
    std::vector<std::string> expected = {"shell"};
    if (!desktopShellTakes) expected.push_back("box");
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(rig.shell->calls.size(), 1u);
    EXPECT_EQ(rig.shell->calls[0].file, kAddress);
    if (!desktopShellTakes) {
      ASSERT_EQ(rig.addressBox->calls.size(), 1u);
      EXPECT_EQ(rig.addressBox->calls[0].owner, kWindow);
      EXPECT_EQ(rig.addressBox->calls[0].caption, kTitle);
      EXPECT_EQ(rig.addressBox->calls[0].address, kAddress);
    }
    ASSERT_EQ(rig.procCalls.size(), 1u);
    EXPECT_TRUE(rig.procCalls[0].updated);
  }
}

TEST(CheckUpdate, StateLivesUntilCallerAndWorkerHaveLetGo) {
  CheckRig rig;
  rig.Start();
  std::weak_ptr<UpdateCheck> watch = rig.check;
  rig.check.reset();
  EXPECT_FALSE(watch.expired());  // the worker still holds it
  rig.RunWorker();
  EXPECT_TRUE(watch.expired());

  CheckRig other;
  other.Start();
  watch = other.check;
  other.RunWorker();
  EXPECT_FALSE(watch.expired());  // the caller still holds it
  other.check.reset();
  EXPECT_TRUE(watch.expired());
}

TEST(CheckUpdate, RefusesAnIncompleteEnvironment) {
  ManualThreads threads;
  UpdateCheckEnvironment env;
  env.http = std::make_shared<testing::FakeHttpClient>();
  EXPECT_THROW(CheckUpdate(kUrl, false, nullptr, env, threads), Error);
  EXPECT_TRUE(threads.bodies.empty());
}

TEST(RequestUpdateInfo, FailureLeavesDataAlone) {
  testing::FakeHttpClient http;
  testing::FakeVersionBlock version(1, 6, 6, 0);
  http.replies = {std::nullopt, std::wstring()};
  std::wstring data = L"earlier";
  EXPECT_EQ(RequestUpdateInfo(http, version, kUrl, L"en", false, data), HttpResult::Failed);
  EXPECT_EQ(data, L"earlier");
  // An empty body is a reply.
  EXPECT_EQ(RequestUpdateInfo(http, version, kUrl, L"en", false, data), HttpResult::Reply);
  EXPECT_EQ(data, L"");
}

TEST(GetAppVersion, FormatsTheFourNumbers) {
  struct Case {
    std::optional<FileVersion> version;
    std::wstring format;
    std::wstring result;
  };
  const FileVersion v1660{0x00010006, 0x00060000};
  const Case cases[] = {
      {v1660, L"%d.%d.%d", L"1.6.6"},
      {v1660, L"%d.%d.%d.%d", L"1.6.6.0"},
      {FileVersion{0xFFFFFFFF, 0xFFFFFFFF}, L"%d.%d.%d.%d", L"65535.65535.65535.65535"},
      {FileVersion{0x000A0014, 0x001E0028}, L"v%d-%d (%d) #%d", L"v10-20 (30) #40"},
      {v1660, L"%d%%", L"1%"},
      {v1660, L"%d.%d.%d.%d.%d", L"1.6.6.0.%d"},  // a fifth placeholder has no number
      {v1660, L"%s %", L"%s %"},
      // No version block: the same text whatever the format.
      {std::nullopt, L"%d.%d.%d", L"0.0.0.0"},
      {std::nullopt, L"%d.%d.%d.%d", L"0.0.0.0"},
  };
  for (const Case& c : cases) {
    testing::FakeVersionBlock block;
    block.version = c.version;
    EXPECT_EQ(GetAppVersion(block, c.format), c.result) << c.format;
  }
}

class FailingThreads : public ManualThreads {
 public:
  void Start(std::function<void()> body) override {
    if (fails) throw Error(L"no thread");
    ManualThreads::Start(std::move(body));
  }
  bool fails = false;
};

// The window's pages: the UI thread only hands the address to a worker, which asks
// the desktop shell; where that cannot take it, nothing opens it elevated, and the
// address box comes back on the UI thread, dropped once the window has gone.
TEST(ShellOpen, FromAWorkerThroughTheDesktopShellElseTheAddressBox) {
  struct Case {
    std::wstring target;
    bool desktopShellTakes;
    bool windowGone;
    bool noWorker;
    bool asked;  // the shell was asked
    bool box;
  };
  const std::wstring page = L"https://example.test/donate?tidewell";
  const Case cases[] = {
      {page, true, false, false, true, false},
      {page, false, false, false, true, true},
      {page, false, true, false, true, false},
      {page, true, false, true, false, true},  // no worker: the address at once, never a blocked window
      {L"C:\\Windows\\System32\\cmd.exe", false, false, false, false, false},
      {L"https://example.test\u202E/exe.txt", true, false, false, false, false},
      {L"https:///setup.exe", false, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    testing::FakeShell shell;
    testing::FakeAddressBox box;
    FailingThreads threads;
    ManualDispatcher ui;
    shell.desktopShellTakes = c.desktopShellTakes;
    threads.fails = c.noWorker;
    ShellOpen({shell, box, threads, ui}, kWindow, kTitle, c.target);
    EXPECT_TRUE(shell.calls.empty()) << "asked on the UI thread";
    EXPECT_EQ(threads.bodies.size(), c.asked ? 1u : 0u);
    threads.RunNext();
    ASSERT_EQ(shell.calls.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(shell.calls[0].verb, L"open");
      EXPECT_EQ(shell.calls[0].file, c.target);
      EXPECT_EQ(shell.calls[0].showCommand, 1);
    }
    EXPECT_EQ(box.calls.size(), c.noWorker ? 1u : 0u) << "shown off the UI thread";
    if (c.windowGone) ui.Close();
    ui.Pump();
    ASSERT_EQ(box.calls.size(), c.box ? 1u : 0u);
    if (c.box) {
      EXPECT_EQ(box.calls[0].owner, kWindow);
      EXPECT_EQ(box.calls[0].caption, kTitle);
      EXPECT_EQ(box.calls[0].address, c.target);
    }
  }
}

// Real threads: the call's own thread, joined when the test ends, so a worker that
// outlives its caller is seen to finish cleanly.
class JoinedThreads : public ThreadStarter {
 public:
  ~JoinedThreads() override {
    for (std::thread& thread : threads_) thread.join();
  }
  void Start(std::function<void()> body) override {
    if (fails) throw Error(L"no thread");
    threads_.emplace_back(std::move(body));
  }
  bool fails = false;

 private:
  std::vector<std::thread> threads_;
};

class ThreadEvent : public StopEvent {
 public:
  void Set() override {
    const std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_all();
  }
  bool Wait(std::uint32_t milliseconds) override {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return set_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

// A hung Explorer holds the caller only until the time limit; the abandoned worker
// still ends safely once the shell lets it go.
TEST(BoundedCall, TheAnswerWithinTheLimitElseFalse) {
  enum class Callee { True, False, Throws, Hangs, NoThread };
  struct Case {
    Callee callee;
    std::uint32_t timeout;
    bool result;
  };
  const Case cases[] = {
      {Callee::True, 60000, true},      // returns as soon as answered, long before the limit
      {Callee::False, 60000, false},
      {Callee::Throws, 60000, false},
      {Callee::Hangs, 20, false},
      {Callee::NoThread, 60000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.callee));
    std::promise<void> released;
    std::shared_future<void> release = released.get_future().share();
    std::atomic<bool> lateWorkerEnded{false};
    {
      JoinedThreads threads;
      threads.fails = c.callee == Callee::NoThread;
      const bool result = BoundedCall(threads, std::make_shared<ThreadEvent>(), [&, callee = c.callee] {
        if (callee == Callee::Throws) throw std::runtime_error("no shell");
        if (callee == Callee::Hangs) {
          release.wait();  // until the caller has given up
          lateWorkerEnded = true;
          return true;     // too late: dropped
        }
        return callee == Callee::True;
      }, c.timeout);
      EXPECT_EQ(result, c.result);
      released.set_value();
    }
    EXPECT_EQ(lateWorkerEnded, c.callee == Callee::Hangs);
  }
}

#if !defined(_WIN32)
TEST(BoundedCall, AFaultInTheCallGoesToTheCrashReporter) {
  const crash::testing::FaultWatch faults;
  JoinedThreads threads;
  EXPECT_FALSE(BoundedCall(threads, std::make_shared<ThreadEvent>(), [] () -> bool {
    crash::testing::RaiseForeignException();
  }, 60000));
  EXPECT_EQ(faults.HandedOver(), 1);
}
#endif

TEST(WebAddresses, ShareOneHttpsRoot) {
  const std::wstring endpoint = UpdateEndpoint();
  const std::wstring suffix = L"/api.init.php";
  ASSERT_GT(endpoint.size(), suffix.size());
  ASSERT_EQ(endpoint.substr(endpoint.size() - suffix.size()), suffix);
  const std::wstring root = endpoint.substr(0, endpoint.size() - suffix.size());
  EXPECT_EQ(root.rfind(L"https://", 0), 0u);
  EXPECT_NE(root.back(), L'/');
  EXPECT_EQ(ProductPageAddress(L"1.6.6"), root + L"/tidewell?v=1.6.6");
  EXPECT_EQ(DonationPageAddress(), root + L"/donate?tidewell");
}

}  // namespace
}  // namespace zeph::update
