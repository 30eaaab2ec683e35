#include "translate/translate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>

#include "common/utf.h"
#include "translate/program_texts.h"
#include "translate/table.h"

// Counts heap allocations, so the once-a-second lookup can be held to one (its result).
// Out of line, so the compiler does not pair malloc/free with new/delete at call sites.
namespace {
long g_allocations = 0;
}
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zeph::translate {
namespace {

std::string FileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ShippedBytes() {
  std::ifstream in(TW_TRANSLATE_TXT, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Translate : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    ClearTranslationTable();
    SetCurrentLanguage(L"");
  }
};

struct Lookup {
  const wchar_t* language;
  std::wstring text, expected;
};

void ExpectLookups(const std::vector<Lookup>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToUtf8(std::wstring(c.language) + L" | " + c.text));
    SetCurrentLanguage(c.language);
    EXPECT_EQ(TranslateText(c.text), c.expected);
  }
}

TEST_F(Translate, ShippedFileHasTheResourceShape) {
  const std::string bytes = ShippedBytes();
  ASSERT_GE(bytes.size(), 5u) << TW_TRANSLATE_TXT;
  ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  for (std::size_t i = 3; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      EXPECT_EQ(bytes[i + 1], '\n') << "lone CR at " << i;
    } else if (bytes[i] == '\n') {
      EXPECT_EQ(bytes[i - 1], '\r') << "lone LF at " << i;
    }
  }
  EXPECT_TRUE(bytes.ends_with("\r\n"));
  EXPECT_FALSE(bytes.ends_with("\r\n\r\n")) << "trailing empty line";
  EXPECT_EQ(Utf8ToWide(bytes.substr(3)).find_first_of(L"\uFFFD\uFEFF"), std::wstring::npos);

  LoadTranslationTableFromBytes(bytes);
  const auto& lines = TranslationTable();
  ASSERT_EQ(lines.size(), 68u);
  int blocks = 0;
  for (std::size_t i = 0; i < lines.size(); i += 3, ++blocks) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(lines[i].starts_with(L"ko=") && lines[i].size() > 3);
    EXPECT_TRUE(lines[i + 1].starts_with(L"en=") && lines[i + 1].size() > 3);
    if (i + 2 < lines.size()) {
      EXPECT_EQ(lines[i + 2], L"") << "blocks are separated by one empty line";
    }
  }
  EXPECT_EQ(blocks, 23);
}

// Each block translates both ways, and no text is shared with an earlier block
// (the first match in the table would take it).
TEST_F(Translate, EveryShippedBlockTranslatesBothWays) {
  LoadTranslationTableFromBytes(ShippedBytes());
  const auto table = TranslationTable();
  ASSERT_EQ(table.size(), 68u);
  for (std::size_t i = 0; i + 1 < table.size(); i += 3) {
    const std::wstring ko = table[i].substr(3), en = table[i + 1].substr(3);
    ExpectLookups({{L"en", ko, en}, {L"en", en, en}, {L"ko", en, ko}, {L"ko", ko, ko}});
  }
  ExpectLookups({
      {L"en", L"%.0n MB / %.0n MB (%n%% 사용중)", L"%.0n MB / %.0n MB (Usage: %n%%)"},
      {L"en", L"PnlMain", L"PnlMain"},
      {L"en", L"clean memory", L"clean memory"},  // case-sensitive
      {L"en", L"정리하기 ", L"정리하기 "},          // no trimming
      {L"en", L"en=Clean memory", L"en=Clean memory"},
      {L"en", L"", L""},
      {L"ja", L"정리하기", L"정리하기"},  // no line for the language
      {L"", L"정리하기", L"정리하기"},    // before a language is set: untouched
      {L"", L"a\\nb", L"a\\nb"},
  });
}

TEST_F(Translate, BackslashNBecomesCarriageReturnOnceALanguageIsSet) {
  LoadTranslationTableFromBytes("ko=첫 줄\\n둘째 줄\r\nen=First\\nSecond\r\n");
  ExpectLookups({
      {L"en", L"첫 줄\\n둘째 줄", L"First\rSecond"},  // the key keeps its backslash-n
      {L"ko", L"First\\nSecond", L"첫 줄\r둘째 줄"},
      {L"en", L"a\\nb\\n", L"a\rb\r"},                // untranslated text too
      {L"en", L"\\\\n", L"\\\r"},
      {L"en", L"n\\", L"n\\"},
      {L"en", L"\\N", L"\\N"},
  });
}

TEST_F(Translate, BlockLookupRules) {
  LoadTranslationTableFromBytes(
      "ko=하나\r\nen=One\r\n\r\n"
      "ko=둘\r\nja=二\r\n\r\n"  // no English line
      "en=Three\r\nko=셋\r\n\r\n"
      "ko=넷\r\nen=\r\n\r\n"    // empty English text
      "no equals sign\r\nko=다섯\r\nen=Five\r\nen=Fünf\r\n\r\n"
      "=Six\r\nen=Sechs\r\nEN=SIX\r\n\r\n"
      "en=Same\r\nko=첫째\r\n\r\n"
      "ko=Same\r\nen=Second\r\n\r\n"
      "ko=a=b\r\nen=c=d\r\n");
  ExpectLookups({
      {L"en", L"하나", L"One"},
      {L"en", L"둘", L"둘"},
      {L"ja", L"둘", L"二"},
      {L"ko", L"Three", L"셋"},
      {L"en", L"넷", L"넷"},
      {L"en", L"", L""},  // neither "en=" nor the line without '=' is a key
      {L"en", L"no equals sign", L"no equals sign"},
      {L"en", L"다섯", L"Five"},  // the block's first line of the language
      {L"en", L"Fünf", L"Five"},
      {L"en", L"Six", L"Sechs"},
      {L"EN", L"Six", L"SIX"},   // language codes are case-sensitive too
      {L"en", L"Same", L"Same"},  // first match wins, whatever its language
      {L"ko", L"Same", L"첫째"},
      {L"en", L"a=b", L"c=d"},    // the text is everything after the first '='
      {L"en", L"b", L"b"},
  });
}

TEST_F(Translate, LinesSplitAtEveryKindOfLineEnd) {
  struct Case {
    std::string bytes;
    std::vector<std::wstring> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"\xEF\xBB\xBF", {}},
      {"\xEF\xBB\xBF" "a\r\n", {L"a"}},
      {"a\r\n\r\nb", {L"a", L"", L"b"}},
      {"a\nb\n", {L"a", L"b"}},
      {"a\rb", {L"a", L"b"}},
      {"a\n\rb", {L"a", L"", L"b"}},
      {"a\r\n\r\n", {L"a", L""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    LoadTranslationTableFromBytes(c.bytes);
    EXPECT_EQ(TranslationTable(), c.lines);
  }
}

class FakeResources : public ResourceSource {
 public:
  explicit FakeResources(std::optional<std::string> bytes) : bytes_(std::move(bytes)) {}
  bool ReadTranslateResource(std::string& bytes) const override {
    if (bytes_) bytes = *bytes_;
    return bytes_.has_value();
  }
  std::optional<std::string> bytes_;
};

TEST_F(Translate, MissingResourceLeavesTheTableEmpty) {
  LoadTranslationTable(FakeResources(ShippedBytes()));
  EXPECT_EQ(TranslationTable().size(), 68u);
  LoadTranslationTable(FakeResources(std::nullopt));
  EXPECT_TRUE(TranslationTable().empty());
  ExpectLookups({{L"en", L"정리하기", L"정리하기"}, {L"en", L"x\\ny", L"x\ry"}});
}

class FakeLocale : public LocaleSource {
 public:
  FakeLocale(bool ok, std::wstring name) : ok_(ok), name_(std::move(name)) {}
  bool UserIso639Name(std::wstring& name) const override {
    name = name_;
    return ok_;
  }
  bool ok_;
  std::wstring name_;
};

TEST(GetUserLanguage, LocaleNameOrEnglish) {
  EXPECT_EQ(GetUserLanguage(FakeLocale(true, L"ko")), L"ko");
  EXPECT_EQ(GetUserLanguage(FakeLocale(true, L"haw")), L"haw");
  EXPECT_EQ(GetUserLanguage(FakeLocale(false, L"ko")), L"en");
  EXPECT_EQ(GetUserLanguage(FakeLocale(true, L"")), L"en");
}

TEST_F(Translate, ALookupAllocatesNothingButItsResult) {
  LoadTranslationTableFromBytes(ShippedBytes());
  const long start = g_allocations;
  const std::wstring probe(64, L'x');
  ASSERT_GT(g_allocations, start) << "the counter sees no allocations";
  for (const wchar_t* language : {L"en", L"ko", L""}) {
    SetCurrentLanguage(language);
    for (const std::wstring text : {L"%.0n MB / %.0n MB (%n%% 사용중)", L"not in the table at all", L"a\\nb"}) {
      const long before = g_allocations;
      const std::wstring result = TranslateText(text);
      EXPECT_LE(g_allocations - before, 1) << WideToUtf8(text);
    }
  }
}

// The program's own texts: every block of the shipped file pairs a Korean key with
// its English text, and before the window is translated the locale's language rules.
TEST_F(Translate, ProgramTextsFollowTheWindowAndBeforeItTheLocale) {
  const std::string bytes = FileBytes(TW_PROGRAM_TEXTS_TXT);
  ASSERT_TRUE(bytes.starts_with("\xEF\xBB\xBF")) << TW_PROGRAM_TEXTS_TXT;
  ASSERT_TRUE(bytes.ends_with("\r\n"));
  const auto lines = SplitTableLines(bytes);
  for (std::size_t i = 0; i < lines.size(); i += 3) {
    ASSERT_LT(i + 1, lines.size());
    EXPECT_TRUE(lines[i].starts_with(L"ko=") && lines[i + 1].starts_with(L"en=")) << WideToUtf8(lines[i]);
    if (i + 2 < lines.size()) {
      EXPECT_EQ(lines[i + 2], L"") << WideToUtf8(lines[i + 1]);
    }
  }

  struct Case {
    const wchar_t* fallback;
    const wchar_t* current;
    const wchar_t* expected;
  };
  for (const Case& c : {Case{L"en", L"", L"&Yes"}, Case{L"ko", L"", L"예(&Y)"}, Case{L"ko", L"en", L"&Yes"},
                        Case{L"en", L"ko", L"예(&Y)"}, Case{L"de", L"", L"예(&Y)"}}) {
    LoadProgramTextsFromBytes(bytes, c.fallback);
    SetCurrentLanguage(c.current);
    EXPECT_EQ(ProgramText(L"예(&Y)"), c.expected) << WideToUtf8(c.fallback) << "/" << WideToUtf8(c.current);
  }
  ClearProgramTexts();
  EXPECT_EQ(ProgramText(L"예(&Y)"), L"예(&Y)");
}

}  // namespace
}  // namespace zeph::translate
