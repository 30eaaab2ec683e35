#include "app/application.h"

#include <gtest/gtest.h>

#include "app/testing/fake_message_boxes.h"
#include "app/testing/fake_window_system.h"
#include "app/testing/test_window.h"
#include "common/error.h"
// last: MinGW's <unwind.h> brings in <windows.h>, whose macros rename the fakes' methods
#if !defined(_WIN32)
#include "crash/testing/foreign_exception.h"
#endif

namespace zeph::app {
namespace {

using testing::kAppWindow;
using testing::kMainWindow;
using testing::TestWindow;

TEST(ApplicationTest, ParamStrCountsFromOneAndIsEmptyBeyondTheArguments) {
  TestWindow w({L"/start", L"second"});
  EXPECT_EQ(w.application.ParamStr(0), L"");
  EXPECT_EQ(w.application.ParamStr(1), L"/start");
  EXPECT_EQ(w.application.ParamStr(2), L"second");
  EXPECT_EQ(w.application.ParamStr(3), L"");
  EXPECT_EQ(TestWindow().application.ParamStr(1), L"");
}

TEST(ApplicationTest, TheTitleIsTheTextOfTheApplicationsWindow) {
  TestWindow w;
  w.application.SetTitle(L"Tidewell");
  EXPECT_EQ(w.windows.texts[kAppWindow], L"Tidewell");
}

TEST(ApplicationTest, UnhandledErrorsAreShownAndTheProgramGoesOn) {
  struct Case {
    const char* name;
    std::exception_ptr error;
    std::wstring text;
  };
  const Case cases[] = {
      {"program error", std::make_exception_ptr(Error(L"Invalid data type for 'limit_minute'")),
       L"Invalid data type for 'limit_minute'"},
      {"other exception", std::make_exception_ptr(std::runtime_error("disk full")),
       L"An unexpected error occurred.\r\n\r\ndisk full"},
      {"not an exception", std::make_exception_ptr(42), L"An unexpected error occurred."},
  };
  for (const Case& c : cases) {
    TestWindow w;
    w.application.HandleException(c.error);
    ASSERT_EQ(w.boxes.shown.size(), 1u) << c.name;
    EXPECT_EQ(w.boxes.shown[0].text, c.text) << c.name;
    EXPECT_EQ(w.boxes.shown[0].caption, L"타이드웰") << c.name;
    EXPECT_EQ(w.boxes.shown[0].owner, kAppWindow) << c.name;
    EXPECT_EQ(w.boxes.shown[0].flags, kMbOk | kMbIconError) << c.name;
  }
}

TEST(ApplicationTest, AnErrorBeforeTheSettingsLoadedIsCaptionedWithTheProgramsName) {
  tray::testing::FakeWindowSystem windows;
  testing::FakeMessageBoxes boxes;
  Application application(windows, boxes, {});
  application.HandleException(std::make_exception_ptr(Error(L"Access is denied")));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, L"Tidewell");
}

// The timer keeps ticking inside a message box's modal loop; this box raises the
// next tick's error from there, as a failure that repeats every second would.
class ReenteringBoxes : public testing::FakeMessageBoxes {
 public:
  int Show(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
           std::uint32_t flags) override {
    const int answer = FakeMessageBoxes::Show(owner, text, caption, flags);
    if (application != nullptr && shown.size() < 3) application->Guard([] { throw Error(L"again"); });
    return answer;
  }
  Application* application = nullptr;
};

TEST(ApplicationTest, AnErrorWhileTheErrorBoxIsOpenStacksNoSecondBox) {
  tray::testing::FakeWindowSystem windows;
  ReenteringBoxes boxes;
  Application application(windows, boxes, {});
  boxes.application = &application;
  application.HandleException(std::make_exception_ptr(Error(L"first")));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, L"first");
  // Once the box is closed the next error is shown again.
  boxes.application = nullptr;
  application.HandleException(std::make_exception_ptr(Error(L"later")));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text, L"later");
}

TEST(ApplicationTest, GuardHandsAnErrorToTheHandlerAndReportsIt) {
  TestWindow w;
  EXPECT_TRUE(w.application.Guard([] {}));
  EXPECT_FALSE(w.application.Guard([] { throw Error(L"boom"); }));
  ASSERT_EQ(w.boxes.shown.size(), 1u);
  EXPECT_EQ(w.boxes.shown[0].text, L"boom");
}

class FakeErrorReporter : public crash::ErrorReporter {
 public:
  std::wstring SaveReport(const std::wstring& message) override {
    calls.push_back(L"SaveReport(" + message + L")");
    return L"report of " + message;
  }
  crash::ErrorChoice Show(std::uintptr_t owner, const std::wstring& text, const std::wstring& caption,
                          const std::wstring& details) override {
    calls.push_back(L"Show(" + std::to_wstring(owner) + L"," + text + L"," + caption + L"," + details + L")");
    return choice;
  }
  void Restart() override { calls.push_back(L"Restart"); }
  void Close() override { calls.push_back(L"Close"); }
  crash::ErrorChoice choice = crash::ErrorChoice::Continue;
  std::vector<std::wstring> calls;
};

TEST(ApplicationTest, WithAReporterTheErrorIsSavedShownWithItsReportAndTheChoiceIsCarriedOut) {
  struct Case {
    crash::ErrorChoice choice;
    const wchar_t* then;  // empty: the program goes on
  };
  for (const Case& c : {Case{crash::ErrorChoice::Continue, L""}, Case{crash::ErrorChoice::Restart, L"Restart"},
                        Case{crash::ErrorChoice::Close, L"Close"}}) {
    TestWindow w;
    FakeErrorReporter reporter;
    reporter.choice = c.choice;
    w.application.SetErrorReporter(&reporter);
    EXPECT_FALSE(w.application.Guard([] { throw Error(L"disk full"); }));
    std::vector<std::wstring> expected = {L"SaveReport(disk full)", L"Show(256,disk full,타이드웰,report of disk full)"};
    if (*c.then) expected.push_back(c.then);
    EXPECT_EQ(reporter.calls, expected);
    EXPECT_TRUE(w.boxes.shown.empty());
  }
}

#if !defined(_WIN32)
TEST(ApplicationTest, AForeignExceptionInAGuardGoesToTheCrashReporterNotTheErrorBox) {
  TestWindow w;
  FakeErrorReporter reporter;
  w.application.SetErrorReporter(&reporter);
  const crash::testing::FaultWatch faults;
  EXPECT_FALSE(w.application.Guard(crash::testing::RaiseForeignException));
  EXPECT_EQ(faults.HandedOver(), 1);
  EXPECT_TRUE(reporter.calls.empty());
  EXPECT_TRUE(w.boxes.shown.empty());
}
#endif

TEST(ApplicationTest, MinimiseAndRestoreActOnceAndOnlyOnAWindowOnScreen) {
  TestWindow w;
  w.application.Minimize();
  w.application.Minimize();
  EXPECT_EQ(w.windows.calls, (std::vector<std::string>{"IsWindowVisible(512)", "ShowWindow(512,6)"}));
  w.windows.calls.clear();
  w.application.Restore();
  w.application.Restore();
  EXPECT_EQ(w.windows.calls, (std::vector<std::string>{"IsIconic(512)", "ShowWindow(512,9)"}));
  EXPECT_FALSE(w.windows.iconic.count(kMainWindow));
}

}  // namespace
}  // namespace zeph::app
