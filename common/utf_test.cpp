#include "common/utf.h"

#include <gtest/gtest.h>

namespace zeph {
namespace {

TEST(Utf, RoundTripsKoreanAndAstralText) {
  const std::string samples[] = {"", "abc", "타이드웰", "메모리를 정리하였습니다.", "\xF0\x9F\x98\x80 smile"};
  for (const auto& utf8 : samples) {
    EXPECT_EQ(WideToUtf8(Utf8ToWide(utf8)), utf8);
    const auto bytes = WideToUtf16Le(Utf8ToWide(utf8));
    EXPECT_EQ(Utf16LeToWide(bytes.data(), bytes.size()), Utf8ToWide(utf8));
  }
}

TEST(Utf, Utf16LeBytesAreLittleEndianWithSurrogatePairs) {
  const auto bytes = WideToUtf16Le(Utf8ToWide("A\xEA\xB0\x80\xF0\x9F\x98\x80"));  // A, U+AC00, U+1F600
  const std::vector<std::uint8_t> expected = {0x41, 0x00, 0x00, 0xAC, 0x3D, 0xD8, 0x00, 0xDE};
  EXPECT_EQ(bytes, expected);
}

TEST(Utf, MalformedUtf8BecomesReplacementCharacter) {
  EXPECT_EQ(Utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
  EXPECT_EQ(Utf8ToWide("\xE2\x82"), std::wstring(1, L'\xFFFD'));
}

TEST(Utf, OddByteCountDropsTheIncompleteUnit) {
  const std::uint8_t bytes[] = {0x41, 0x00, 0x42};
  EXPECT_EQ(Utf16LeToWide(bytes, sizeof bytes), L"A");
}

TEST(DecimalText, EveryWidthUpToTheLargest) {
  EXPECT_EQ(DecimalText(0), L"0");
  EXPECT_EQ(DecimalText(1024), L"1024");
  EXPECT_EQ(DecimalText(18446744073709551615u), L"18446744073709551615");
}

}  // namespace
}  // namespace zeph
