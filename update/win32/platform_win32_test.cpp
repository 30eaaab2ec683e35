// Runs under Wine (win64 preset): the stop event, the HTTP client's failures that
// need no server, and the desktop shell's bounded route. The HTTPS exchanges with a
// server are tests/e2e/test_update_https.sh.
#include "update/win32/platform_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "common/win32/threads.h"

namespace zeph::update {
namespace {

TEST(Win32StopEvent, WaitEndsWhenSetOrTimedOut) {
  Win32StopEvent event;
  EXPECT_FALSE(event.Wait(0));
  EXPECT_FALSE(event.Wait(20));
  event.Set();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(10000));  // stays set: every later pause ends at once
}

TEST(Win32StopEvent, SetFromAnotherThreadEndsAPauseUnderWay) {
  Win32StopEvent event;
  zeph::win32::Thread closer([&] { event.Set(); });
  // Returns only once the other thread has set the event (or after a minute).
  EXPECT_TRUE(event.Wait(60000));
  closer.Join();
}

TEST(Win32HttpClient, FailsWithoutAReply) {
  Win32HttpClient http;
  const std::vector<HttpHeader> headers = {{L"User-Debug", L"false"}};
  const wchar_t* urls[] = {
      L"",
      L"not a url",
      L"ftp://127.0.0.1/api.init.php",
      L"file:///C:/windows/win.ini",
      L"https://",
      L"https://127.0.0.1:1/api.init.php",  // nothing listens on port 1
      L"http://127.0.0.1:1/api.init.php",
  };
  for (const wchar_t* url : urls) {
    std::wstring body = L"untouched";
    EXPECT_EQ(http.Get(url, headers, body), HttpResult::Failed) << url;
    EXPECT_EQ(body, L"untouched") << url;
  }
}

TEST(Win32HttpClient, RefusesAHeaderThatWouldSplitTheRequest) {
  Win32HttpClient http;
  std::wstring body = L"untouched";
  EXPECT_EQ(http.Get(L"https://127.0.0.1:1/", {{L"User-Language", L"en\r\nX-Injected: 1"}}, body),
            HttpResult::Failed);
  EXPECT_EQ(http.Get(L"https://127.0.0.1:1/", {{L"User-Language\n", L"en"}}, body), HttpResult::Failed);
  EXPECT_EQ(body, L"untouched");
}

// The desktop shell's answer comes back from the call's own thread and apartment.
// Wine 8 under Xvfb runs a desktop shell (its explorer.exe serves the desktop's shell
// view, though GetShellWindow() answers null), which takes an empty folder of this
// test and opens it in a window of its own.
TEST(Win32Shell, TheBoundedCallGivesTheDesktopShellsAnswer) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"tidewell-shell-test-" + std::to_wstring(::GetCurrentProcessId());
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
  // A limit far above what an answer takes: a call that never handed its answer
  // back would give false, one that ignored the limit would hang until ctest's.
  Win32Shell shell(60000);
  EXPECT_TRUE(shell.ExecuteAsDesktopUser(L"open", folder, SW_SHOWNORMAL));
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace zeph::update
