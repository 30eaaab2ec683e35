// Runs under Wine (win64 preset): the real local clock and the user's number format.
#include <gtest/gtest.h>
#include <windows.h>

#include <ctime>

#include "common/format.h"
#include "common/win32/clock_win32.h"
#include "common/win32/number_format_win32.h"

namespace zeph {
namespace {

TEST(Win32Clock, ReadsTheLocalTimeAsADayCount) {
  Win32Clock clock;
  const DateTime first = clock.Now();
  // The local time lies within a day of UTC; 25,569 days lead from 1899-12-30 to 1970-01-01.
  const double utcDays = 25569.0 + static_cast<double>(std::time(nullptr)) / 86400.0;
  EXPECT_NEAR(first, utcDays, 1.0);
  ::Sleep(20);
  const DateTime second = clock.Now();
  EXPECT_GE(DateTimeToMilliseconds(second) - DateTimeToMilliseconds(first), 10);
  EXPECT_LT(SecondsBetween(second, first), 2);
}

// The separators of locales whose conventions are settled; the test runs under the
// locale the environment gives Wine (LC_ALL=de_DE.UTF-8 gives de-DE).
TEST(Win32NumberFormat, ReadsTheUsersSeparatorsOnce) {
  struct Known {
    const wchar_t* locale;
    const wchar_t* thousands;
    const wchar_t* decimal;
  };
  const Known known[] = {
      {L"en-US", L",", L"."},
      {L"ko-KR", L",", L"."},
      {L"en-GB", L",", L"."},
      {L"de-DE", L".", L","},
  };
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  ASSERT_GT(::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
  Win32NumberFormat format;
  const NumberSeparators& separators = format.UserSeparators();
  EXPECT_EQ(&format.UserSeparators(), &separators);
  for (const auto& k : known) {
    if (std::wstring_view(name) != k.locale) continue;
    EXPECT_EQ(separators.thousands, k.thousands);
    EXPECT_EQ(separators.decimal, k.decimal);
    EXPECT_EQ(Format(L"%n", {1234567.25}, separators),
              std::wstring(L"1") + k.thousands + L"234" + k.thousands + L"567" + k.decimal + L"25");
    return;
  }
  GTEST_SKIP() << "no settled separators known for this locale";
}

}  // namespace
}  // namespace zeph
