#include "app/application.h"

#include <gtest/gtest.h>

#include "app/testing/test_window.h"
#include "common/error.h"

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

TEST(ApplicationTest, GuardHandsAnErrorToTheHandlerAndReportsIt) {
  TestWindow w;
  EXPECT_TRUE(w.application.Guard([] {}));
  EXPECT_FALSE(w.application.Guard([] { throw Error(L"boom"); }));
  ASSERT_EQ(w.boxes.shown.size(), 1u);
  EXPECT_EQ(w.boxes.shown[0].text, L"boom");
}

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
