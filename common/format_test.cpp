#include "common/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace zeph {
namespace {

const NumberSeparators kEnglish{L",", L"."};
const NumberSeparators kGerman{L".", L","};

struct Case {
  const wchar_t* format;
  std::vector<FormatArg> args;
  const wchar_t* expected;
};

void Check(const std::vector<Case>& cases, const NumberSeparators& separators) {
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "format #" << (&c - cases.data()));
    std::wstring out = L"left over from before";
    FormatTo(out, c.format, c.args, separators);
    EXPECT_EQ(out, c.expected);
  }
}

TEST(Format, StatusLinesWithCommaThousandsAndPointDecimals) {
  Check(
      {
          {L"%.0n MB / %.0n MB (%n%% 사용중)",
           {7737ull, 16320ull, double{47.408333f}},
           L"7,737 MB / 16,320 MB (47.41% 사용중)"},
          {L"%.0n MB / %.0n MB (Usage: %n%%)",
           {7737ull, 16320ull, double{47.408333f}},
           L"7,737 MB / 16,320 MB (Usage: 47.41%)"},
          {L"%.0n MB (%n%%)", {3072ull, 18.5}, L"3,072 MB (18.50%)"},
          {L"%.0n MB (%n%%)", {0ull, 0.0}, L"0 MB (0.00%)"},
          {L"%.0n", {1234567.0}, L"1,234,567"},
          {L"%n", {std::numeric_limits<std::uint64_t>::max()}, L"18,446,744,073,709,551,615.00"},
          {L"%n", {std::numeric_limits<std::int64_t>::min()}, L"-9,223,372,036,854,775,808.00"},
      },
      kEnglish);
}

TEST(Format, StatusLinesWithPointThousandsAndCommaDecimals) {
  Check(
      {
          {L"%.0n MB / %.0n MB (%n%% 사용중)",
           {7737ull, 16320ull, double{47.408333f}},
           L"7.737 MB / 16.320 MB (47,41% 사용중)"},
          {L"%.0n MB (%n%%)", {3072ull, 18.5}, L"3.072 MB (18,50%)"},
          {L"%n", {-1234.5}, L"-1.234,50"},
      },
      kGerman);
}

TEST(Format, SeparatorsOfAnyLengthOrNone) {
  Check({{L"%n", {1234567.891}, L"1234567.89"}}, NumberSeparators{L"", L"."});
  Check({{L"%n", {1234567.891}, L"1\u00A0234\u00A0567,89"}}, NumberSeparators{L"\u00A0", L","});
  Check({{L"%.1n", {12345.0}, L"12''345::0"}}, NumberSeparators{L"''", L"::"});
}

// Rounding works on the decimal digits, a 5 rounding away from zero; eighteen
// significant digits are taken first, so 1000.005 (stored as 1000.00499999999999545...)
// still rounds up while 2.675 (2.67499999999999982...) does not.
TEST(Format, NumbersRoundHalfAwayFromZeroOnTheirDecimalDigits) {
  Check(
      {
          {L"%n", {0.125}, L"0.13"},
          {L"%n", {-0.125}, L"-0.13"},
          {L"%n", {0.005}, L"0.01"},
          {L"%n", {2.675}, L"2.67"},
          {L"%n", {1.005}, L"1.00"},
          {L"%n", {1000.005}, L"1,000.01"},
          {L"%.0n", {2.5}, L"3"},
          {L"%.0n", {10.5}, L"11"},
          {L"%.0n", {-2.5}, L"-3"},
          {L"%n", {9.995}, L"9.99"},
          {L"%n", {999.999}, L"1,000.00"},
          {L"%n", {99999.996}, L"100,000.00"},
          {L"%.0n", {999999.5}, L"1,000,000"},
          {L"%n", {-0.001}, L"0.00"},  // no "-0.00"
          {L"%n", {-0.0}, L"0.00"},
          {L"%.3n", {0.0005}, L"0.001"},
          {L"%.4n", {0.0005}, L"0.0005"},
          {L"%n", {1e20}, L"100,000,000,000,000,000,000.00"},
          {L"%n", {std::nan("")}, L"NAN"},
          {L"%n", {-INFINITY}, L"-INF"},
      },
      kEnglish);
}

TEST(Format, IntegersTextWidthsAndPrecision) {
  Check(
      {
          {L"%d", {42}, L"42"},
          {L"%d", {-7}, L"-7"},
          {L"%d", {std::numeric_limits<std::int64_t>::min()}, L"-9223372036854775808"},
          {L"%d", {1234567u}, L"1234567"},  // no grouping for %d
          {L"%.3d", {7}, L"007"},
          {L"%.3d", {-7}, L"-007"},
          {L"[%5d]", {42}, L"[   42]"},
          {L"[%-5d]", {42}, L"[42   ]"},
          {L"[%8.1n]", {3.14159}, L"[     3.1]"},
          {L"%s=%s", {L"ko", L"타이드웰"}, L"ko=타이드웰"},
          {L"%.2s", {L"abc"}, L"ab"},
          {L"[%-4s]", {L"ab"}, L"[ab  ]"},
          {L"%D %S %N", {1, L"x", 2.0}, L"1 x 2.00"},
          {L"100%%", {}, L"100%"},
          {L"%%d", {5}, L"%d"},
          {L"", {1}, L""},
      },
      kEnglish);
}

// A broken directive stays in the text as it stands and takes its argument, so
// later ones still fill from their own arguments.
TEST(Format, DirectivesThatCannotBeFilledStayLiteral) {
  Check(
      {
          {L"%d", {L"text"}, L"%d"},
          {L"%s", {5}, L"%s"},
          {L"%n", {L"text"}, L"%n"},
          {L"%d", {2.5}, L"%d"},
          {L"%d and %d", {1}, L"1 and %d"},
          {L"(%) 이상", {1}, L"(%) 이상"},
          {L"%x %d", {3, 4}, L"%x 4"},
          {L"%x %d", {3}, L"%x %d"},
          {L"%d MB / %.0n MB (%n%%)", {L"text", 16320ull, 47.5}, L"%d MB / 16,320 MB (47.50%)"},
          {L"50%", {}, L"50%"},
          {L"ends in %-5.", {1}, L"ends in %-5."},
      },
      kEnglish);
}

TEST(Format, ConvenienceFormReturnsTheText) { EXPECT_EQ(Format(L"%.0n MB", {16320ull}, kGerman), L"16.320 MB"); }

}  // namespace
}  // namespace zeph
