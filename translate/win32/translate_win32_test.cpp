// Runs under Wine (win64 preset). This executable links the product's resources, so
// the TRANSLATE resource it reads is the one tidewell.exe carries.
#include "translate/win32/translate_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace zeph::translate {
namespace {

// The table file as the build saw it; Wine reaches the Linux tree through drive Z:.
std::string SourceFileBytes() {
  std::string path = TW_TRANSLATE_TXT;
  if (path.starts_with("/")) path = "Z:" + path;
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Win32ResourceSource, ReadsTheEmbeddedTableByteForByte) {
  const std::string expected = SourceFileBytes();
  ASSERT_FALSE(expected.empty());
  std::string bytes;
  ASSERT_TRUE(Win32ResourceSource().ReadTranslateResource(bytes));
  EXPECT_EQ(bytes, expected);

  LoadTranslationTable(Win32ResourceSource());
  EXPECT_EQ(TranslationTable().size(), 68u);
  SetCurrentLanguage(L"en");
  EXPECT_EQ(TranslateText(L"정리하기"), L"Clean memory");
  SetCurrentLanguage(L"");
  ClearTranslationTable();
}

TEST(Win32LocaleSource, AnswersAnIso639Name) {
  std::wstring name;
  ASSERT_TRUE(Win32LocaleSource().UserIso639Name(name));
  EXPECT_GE(name.size(), 2u);
  EXPECT_LE(name.size(), 3u);
  for (wchar_t c : name) EXPECT_TRUE(c >= L'a' && c <= L'z') << int(c);
  EXPECT_EQ(GetUserLanguage(Win32LocaleSource()), name);
}

}  // namespace
}  // namespace zeph::translate
