// The status monitor and the clean job driven through the real TFrmTidewell, with
// a fake kernel, a clock the test sets, a dispatcher the test pumps and worker
// threads the test runs by hand.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/frm_tidewell.h"
#include "app/testing/test_window.h"
#include "common/clock.h"
#include "memory/kernel.h"
#include "translate/translate.h"
#include "translate/testing/shipped_table.h"

namespace zeph::app {
namespace {

using testing::TestWindow;
using Op = tray::testing::FakeTrayShell::Op;

constexpr std::int64_t kStartMs = EncodeDate(2024, 5, 17) * kMillisecondsPerDay + 9 * 3'600'000;

class FixedSeparators : public NumberFormatSource {
 public:
  explicit FixedSeparators(NumberSeparators separators) : separators_(std::move(separators)) {}
  const NumberSeparators& UserSeparators() override { return separators_; }

 private:
  NumberSeparators separators_;
};

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(translate::testing::LoadShippedTable());
    translate::SetCurrentLanguage(L"ko");
    w.platform.numberFormat = &separators;
    // The settings page's own handlers (storing, restarting the timing) are not under
    // test here; the policy reads the boxes and lists as they stand.
    for (ui::CheckBox* box :
         {&form.ChkUsagePhys, &form.ChkUsagePage, &form.ChkUsageWork, &form.ChkMinute, &form.ChkCleanOnTray}) {
      box->OnClick = nullptr;
    }
    SetNow(0);
    form.NextTime = w.clock.Peek();
    SetFigures(1000, 1000, 0, 1);
  }
  void TearDown() override {
    translate::testing::UnloadTable();
  }

  // Milliseconds after the test's start instant.
  void SetNow(std::int64_t ms) { w.clock.Set(static_cast<double>(kStartMs + ms) / kMillisecondsPerDay); }
  void Advance(std::int64_t seconds) { w.clock.AdvanceSeconds(seconds); }
  DateTime Now() const { return w.clock.Peek(); }
  // Physical, page and file-cache figures: used parts of the totals.
  void SetFigures(std::uint64_t physTotal, std::uint64_t physUsed, std::uint32_t cacheCurrent, std::uint32_t cachePeak,
                  std::uint64_t pageTotal = 1000, std::uint64_t pageUsed = 0) {
    w.kernel.status.ullTotalPhys = physTotal;
    w.kernel.status.ullAvailPhys = physTotal - physUsed;
    w.kernel.status.ullTotalPageFile = pageTotal;
    w.kernel.status.ullAvailPageFile = pageTotal - pageUsed;
    w.kernel.fileCache.CurrentSize = cacheCurrent;
    w.kernel.fileCache.PeakSize = cachePeak;
  }
  void Tick() { form.TmrStatus.Tick(); }
  void RunWorkerAndCompletion() {
    ASSERT_TRUE(w.threads.RunNext());
    w.dispatcher.Pump();
  }
  bool BusyLook() const {
    return form.IsRunning() && form.BtnClean.Caption().empty() && !form.BtnClean.Enabled() &&
           form.Indicator.Visible() && form.Indicator.Animate();
  }
  bool IdleLook(const wchar_t* caption) const {
    return !form.IsRunning() && form.BtnClean.Caption() == caption && form.BtnClean.Enabled() &&
           !form.Indicator.Visible() && !form.Indicator.Animate();
  }
  std::vector<tray::testing::FakeTrayShell::Call> Balloons() const {
    std::vector<tray::testing::FakeTrayShell::Call> balloons;
    for (const auto& call : w.shell.calls)
      if (call.op == Op::Balloon) balloons.push_back(call);
    return balloons;
  }

  FixedSeparators separators{NumberSeparators{L",", L"."}};
  TestWindow w;
  TFrmTidewell& form = w.Form();
};

// The road of one automatic clean, step by step.
TEST_F(MonitorTest, RoadOfOneAutomaticClean) {
  SetFigures(1000, 832, 0, 1);  // Percent[Phys] = 83.2
  form.ChkUsagePhys.SetChecked(true);
  form.EditUsagePhys.SetItemIndex(5);  // "80"
  Advance(412);

  Tick();
  EXPECT_TRUE(BusyLook());
  ASSERT_EQ(w.threads.bodies.size(), 1u);
  EXPECT_TRUE(w.kernel.setRequests.empty());  // the purge runs on the worker, not in the tick
  const double startedAt = form.NextTime;

  ASSERT_TRUE(w.threads.RunNext());
  EXPECT_EQ(w.kernel.setRequests.size(), 6u);
  EXPECT_EQ(w.dispatcher.queued.size(), 1u);
  EXPECT_TRUE(BusyLook());              // until the UI thread runs the completion
  EXPECT_EQ(form.NextTime, startedAt);  // NextTime is set at completion, not at start

  Advance(3);
  w.dispatcher.Pump();
  EXPECT_TRUE(IdleLook(L"정리하기"));
  EXPECT_EQ(form.NextTime, Now());
  EXPECT_TRUE(Balloons().empty());  // an automatic clean shows no notice

  // The next ticks show the lower figures; no automatic clean for 300 seconds.
  SetFigures(1000, 500, 0, 1);
  Advance(1);
  Tick();
  EXPECT_EQ(form.LblPhysStatus.Caption(), L"0 MB / 0 MB (50.00% 사용중)");
  EXPECT_EQ(form.ProgressBar.Position(), 50);
  SetFigures(1000, 832, 0, 1);
  Advance(298);  // 299 s since the completion
  Tick();
  EXPECT_TRUE(w.threads.bodies.empty());
  Advance(1);
  Tick();
  EXPECT_EQ(w.threads.bodies.size(), 1u);
}

// Each row ticks the box(es) it names, picks an item (-1: none), sets the figures
// and the time since NextTime, and says whether the tick starts a clean.
TEST_F(MonitorTest, PolicyReadsEachBoxWithItsOwnListAndFigure) {
  enum Box { Phys = 1, Page = 2, Work = 4, Minute = 8 };
  struct Case {
    const char* name;
    int boxes;
    int item;  // index picked in every list
    std::uint64_t physUsed, pageUsed;
    std::uint32_t cacheCurrent;
    std::int64_t seconds;
    bool cleans;
  };
  const Case cases[] = {
      {"usage equal to the threshold", Phys, 5, 800, 0, 0, 300, true},
      {"page figure with its own box", Page, 2, 0, 500, 0, 300, true},
      {"page figure, physical box", Phys, 2, 0, 1000, 0, 300, false},
      {"working set with its own box", Work, 0, 0, 0, 300, 300, true},
      {"all four cleared", 0, 0, 1000, 1000, 1000, 100'000, false},
      {"an empty usage list is met by 100 percent", Phys, -1, 10000, 0, 0, 300, true},
      {"five minutes", Minute, 0, 0, 0, 0, 300, true},
      {"empty minute list means 1440", Minute, -1, 0, 0, 0, 86'400, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestWindow tw;
    TFrmTidewell& f = tw.Form();
    const std::uint64_t physTotal = c.physUsed > 1000 ? 10000 : 1000;
    tw.kernel.status.ullTotalPhys = physTotal;
    tw.kernel.status.ullAvailPhys = physTotal - c.physUsed;
    tw.kernel.status.ullTotalPageFile = 1000;
    tw.kernel.status.ullAvailPageFile = 1000 - c.pageUsed;
    tw.kernel.fileCache.CurrentSize = c.cacheCurrent;
    tw.kernel.fileCache.PeakSize = 1000;
    const std::pair<ui::CheckBox*, ui::ComboBox*> rows[] = {{&f.ChkUsagePhys, &f.EditUsagePhys},
                                                            {&f.ChkUsagePage, &f.EditUsagePage},
                                                            {&f.ChkUsageWork, &f.EditUsageWork},
                                                            {&f.ChkMinute, &f.EditMinute}};
    for (int i = 0; i < 4; ++i) {
      rows[i].first->OnClick = nullptr;
      rows[i].first->SetChecked((c.boxes & (1 << i)) != 0);
      rows[i].second->SetItemIndex(c.item);
    }
    f.NextTime = tw.clock.Peek();
    tw.clock.AdvanceSeconds(c.seconds);
    f.TmrStatusTimer(f);
    EXPECT_EQ(f.IsRunning(), c.cleans);
    EXPECT_EQ(tw.threads.bodies.size(), c.cleans ? 1u : 0u);
  }
}

TEST_F(MonitorTest, NoAutomaticCleanWithinThePauseAfterACleanOrASettingChange) {
  SetFigures(1000, 1000, 0, 1);
  form.ChkUsagePhys.SetChecked(true);
  form.EditUsagePhys.SetItemIndex(0);

  // A manual clean restarts the pause when it completes.
  Advance(1000);
  form.BtnClean.Click();
  Advance(30);
  RunWorkerAndCompletion();
  Advance(299);
  Tick();
  EXPECT_FALSE(form.IsRunning());
  // A setting change sets NextTime (its handler's part), and the pause counts from there.
  Advance(200);
  form.NextTime = Now();
  Advance(299);
  Tick();
  EXPECT_FALSE(form.IsRunning());
  Advance(1);
  Tick();
  EXPECT_TRUE(form.IsRunning());
}

TEST_F(MonitorTest, WhileACleanRunsTheLinesRefreshButNothingStartsAnother) {
  SetFigures(1000, 200, 0, 1);
  form.ChkUsagePhys.SetChecked(true);
  form.EditUsagePhys.SetItemIndex(0);
  form.ChkCleanOnTray.SetChecked(true);
  tray::TTrayIcon& icon = w.GiveTrayIcon();
  Advance(1000);
  form.BtnClean.Click();
  ASSERT_EQ(w.threads.bodies.size(), 1u);

  SetFigures(2'097'152'000, 2'097'152'000, 0, 1);  // 100 %: the policy would fire
  const int clockReads = w.clock.reads;
  Tick();
  EXPECT_EQ(w.clock.reads, clockReads) << "no policy check while a clean runs";
  EXPECT_EQ(form.LblPhysStatus.Caption(), L"2,000 MB / 2,000 MB (100.00% 사용중)");
  EXPECT_EQ(form.ProgressBar.Position(), 100);
  form.BtnClean.Click();  // disabled
  form.BtnCleanClick(form.BtnClean);
  form.BtnCleanClick(icon);  // the tray's path
  w.windows.calls.clear();
  icon.LeftClick();  // a tray click with ChkCleanOnTray checked
  EXPECT_EQ(w.threads.bodies.size(), 1u);
  EXPECT_TRUE(w.windows.calls.empty()) << "a tray click during a clean must not restore the window";

  RunWorkerAndCompletion();
  EXPECT_TRUE(IdleLook(L"정리하기"));
  EXPECT_TRUE(w.dispatcher.queued.empty());
  icon.LeftClick();  // idle again: the same tray click now cleans
  EXPECT_EQ(w.threads.bodies.size(), 1u);
}

// Which trigger shows the completion notice, in which language.
TEST_F(MonitorTest, OnlyACleanFromTheTrayIconShowsTheNotice) {
  struct Case {
    const char* name;
    const wchar_t* language;
    bool fromTray;
    const wchar_t* notice;  // null: none
    const wchar_t* caption;
  };
  const Case cases[] = {
      {"button, Korean", L"ko", false, nullptr, L"정리하기"},
      {"tray, Korean", L"ko", true, L"메모리를 정리하였습니다.", L"정리하기"},
      {"tray, English", L"en", true, L"Optimized memory.", L"Clean memory"},
      {"button, English", L"en", false, nullptr, L"Clean memory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    translate::SetCurrentLanguage(c.language);
    w.shell.calls.clear();
    tray::TTrayIcon& icon = w.GiveTrayIcon();
    // The window's caption titles the notice; the application's title is the
    // translated caption too, but may differ while the settings are not loaded.
    form.SetCaption(c.language == std::wstring(L"en") ? L"Tidewell" : L"타이드웰");
    w.application.SetTitle(L"another title");
    if (c.fromTray) {
      form.BtnCleanClick(icon);
    } else {
      form.BtnClean.Click();
    }
    EXPECT_TRUE(BusyLook());
    RunWorkerAndCompletion();
    EXPECT_TRUE(IdleLook(c.caption));
    const auto balloons = Balloons();
    if (c.notice == nullptr) {
      EXPECT_TRUE(balloons.empty());
    } else {
      ASSERT_EQ(balloons.size(), 1u);
      EXPECT_EQ(balloons[0].title, form.Caption());
      EXPECT_EQ(balloons[0].text, c.notice);
    }
  }
}

TEST_F(MonitorTest, ACompletionAfterTheWindowClosedDoesNothing) {
  w.GiveTrayIcon();
  const double before = form.NextTime;
  Advance(10);
  form.BtnCleanClick(*form.TrayIcon);
  ASSERT_TRUE(w.threads.RunNext());

  form.FCanClose = true;
  form.Close();
  ASSERT_TRUE(form.Closed());
  EXPECT_EQ(w.dispatcher.Pump(), 1);  // delivered, yet the closed window ignores it
  EXPECT_EQ(form.NextTime, before);
  EXPECT_TRUE(Balloons().empty());

  // With the dispatcher gone the step is not even delivered.
  TestWindow other;
  other.Form().BtnClean.Click();
  ASSERT_TRUE(other.threads.RunNext());
  other.dispatcher.Close();
  EXPECT_EQ(other.dispatcher.Pump(), 0);
  EXPECT_TRUE(other.Form().IsRunning());
}

TEST_F(MonitorTest, WithoutATrayIconTheTrayCleanStillCompletes) {
  ui::Component trayLike(nullptr, L"TTrayIcon", L"Icon", false);
  form.BtnCleanClick(trayLike);
  Advance(5);
  RunWorkerAndCompletion();
  EXPECT_TRUE(IdleLook(L"정리하기"));
  EXPECT_EQ(form.NextTime, Now());
  EXPECT_TRUE(Balloons().empty());
}

class FailingThreads : public ThreadStarter {
 public:
  void Start(std::function<void()>) override {
    ++attempts;
    throw std::runtime_error("no thread");
  }
  int attempts = 0;
};

// A worker that cannot be started would leave the window busy for good.
TEST_F(MonitorTest, AWorkerThatCannotStartLeavesTheWindowIdle) {
  FailingThreads threads;
  w.platform.threads = &threads;
  EXPECT_THROW(form.BtnCleanClick(form.BtnClean), std::runtime_error);
  EXPECT_TRUE(IdleLook(L"정리하기"));
}

// With a threshold exceeded, a start that fails counts as a finished clean: the
// pause follows it, instead of a new attempt (and a new error) every tick.
TEST_F(MonitorTest, AFailedStartRestartsThePauseLikeACompletedClean) {
  FailingThreads threads;
  w.platform.threads = &threads;
  SetFigures(1000, 1000, 0, 1);
  form.ChkUsagePhys.SetChecked(true);
  form.EditUsagePhys.SetItemIndex(0);
  Advance(1000);
  EXPECT_THROW(Tick(), std::runtime_error);
  EXPECT_EQ(form.NextTime, Now());
  Advance(1);
  Tick();
  EXPECT_EQ(threads.attempts, 1);
}

TEST_F(MonitorTest, StatusLinesFollowTheLocaleAndTheirCaptionLabels) {
  w.kernel.status.ullTotalPhys = 17'112'977'408ull;
  w.kernel.status.ullAvailPhys = 9'000'000'000ull;
  w.kernel.status.ullTotalPageFile = 20'000'000'000ull;
  w.kernel.status.ullAvailPageFile = 20'000'000'000ull - 3'221'225'472ull;
  w.kernel.fileCache.CurrentSize = 402'653'184u;
  w.kernel.fileCache.PeakSize = 1'073'741'824u;
  Tick();
  EXPECT_EQ(form.LblPhysStatus.Caption(), L"7,737 MB / 16,320 MB (47.41% 사용중)");
  EXPECT_EQ(form.LblVirtualStatus.Caption(), L"3,072 MB (16.11%)");
  EXPECT_EQ(form.LblWorkingStatus.Caption(), L"384 MB (37.50%)");
  EXPECT_EQ(form.ProgressBar.Position(), 47);

  translate::SetCurrentLanguage(L"en");
  FixedSeparators german{NumberSeparators{L".", L","}};
  w.platform.numberFormat = &german;
  form.LblVirtual.SetVisible(false);
  w.kernel.fileCache.CurrentSize = 0;
  Tick();
  EXPECT_EQ(form.LblPhysStatus.Caption(), L"7.737 MB / 16.320 MB (Usage: 47,41%)");
  EXPECT_EQ(form.LblVirtualStatus.Caption(), L"3,072 MB (16.11%)");  // its caption label is hidden
  EXPECT_EQ(form.LblWorkingStatus.Caption(), L"0 MB (0,00%)");

  // A failed file-cache query shows zero and meets no threshold.
  w.kernel.fileCache.CurrentSize = 402'653'184u;
  Tick();
  EXPECT_EQ(form.LblWorkingStatus.Caption(), L"384 MB (37,50%)");
  w.kernel.fileCacheStatus = static_cast<memory::NtStatus>(0xC0000001);
  form.ChkUsageWork.SetChecked(true);
  form.EditUsageWork.SetItemIndex(0);
  Advance(1000);
  Tick();
  EXPECT_EQ(form.LblWorkingStatus.Caption(), L"0 MB (0,00%)");
  EXPECT_FALSE(form.IsRunning());

  // More available than total (Wine's 32-bit layer): nothing used, the bar empty.
  w.kernel.status.ullTotalPhys = 3'801'088'000ull;
  w.kernel.status.ullAvailPhys = 17'592'186'044'416ull;
  Tick();
  EXPECT_EQ(form.LblPhysStatus.Caption(), L"0 MB / 3.625 MB (Usage: 0,00%)");
  EXPECT_EQ(form.ProgressBar.Position(), 0);
}

}  // namespace
}  // namespace zeph::app
