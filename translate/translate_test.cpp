#include "translate/translate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>
#include <sstream>

#include "common/utf.h"

// Counts heap allocations, so the once-a-second lookup can be held to one (its result).
namespace {
long g_allocations = 0;
}
// Out of line, so the compiler does not pair malloc/free with new/delete at call sites.
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace zeph::translate {
namespace {

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
  static void LoadShipped() {
    const std::string bytes = ShippedBytes();
    ASSERT_FALSE(bytes.empty()) << TW_TRANSLATE_TXT;
    LoadTranslationTableFromBytes(bytes);
  }
};

struct Lookup {
  const wchar_t* language;
  std::wstring text;
  std::wstring expected;
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
  ASSERT_GE(bytes.size(), 5u);
  ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(bytes.find("\xEF\xBB\xBF", 3), std::string::npos);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      EXPECT_EQ(bytes[i + 1], '\n') << "lone CR at " << i;
    } else if (bytes[i] == '\n') {
      EXPECT_EQ(bytes[i - 1], '\r') << "lone LF at " << i;
    }
  }
  EXPECT_TRUE(bytes.ends_with("\r\n"));
  EXPECT_FALSE(bytes.ends_with("\r\n\r\n")) << "trailing empty line";
  EXPECT_EQ(Utf8ToWide(bytes).find(L'\uFFFD'), std::wstring::npos) << "not valid UTF-8";

  std::vector<std::string> lines;
  for (std::size_t begin = 3, end; (end = bytes.find("\r\n", begin)) != std::string::npos; begin = end + 2)
    lines.push_back(bytes.substr(begin, end - begin));
  ASSERT_EQ(lines.size(), 68u);
  int blocks = 0;
  for (std::size_t i = 0; i < lines.size(); i += 3, ++blocks) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(lines[i].starts_with("ko=") && lines[i].size() > 3) << lines[i];
    EXPECT_TRUE(lines[i + 1].starts_with("en=") && lines[i + 1].size() > 3) << lines[i + 1];
    if (i + 2 < lines.size()) {
      EXPECT_EQ(lines[i + 2], "") << "blocks are separated by one empty line";
    }
  }
  EXPECT_EQ(blocks, 23);

  LoadTranslationTableFromBytes(bytes);
  ASSERT_EQ(TranslationTable().size(), 68u);
  EXPECT_EQ(TranslationTable().front(), L"ko=타이드웰");
  EXPECT_EQ(TranslationTable().back(), L"en=Optimized memory.");
}

// Each block translates both ways, and no English text is shared with an earlier
// block (the first match in the table would take it).
TEST_F(Translate, EveryShippedBlockTranslatesBothWays) {
  LoadShipped();
  const auto table = TranslationTable();
  for (std::size_t i = 0; i + 1 < table.size(); i += 3) {
    const std::wstring ko = table[i].substr(3), en = table[i + 1].substr(3);
    ExpectLookups({{L"en", ko, en}, {L"en", en, en}, {L"ko", en, ko}, {L"ko", ko, ko}});
  }
}

TEST_F(Translate, LookupRulesOnTheShippedTable) {
  LoadShipped();
  ExpectLookups({
      {L"en", L"정리하기", L"Clean memory"},
      {L"en", L"Clean memory", L"Clean memory"},
      {L"ko", L"Clean memory", L"정리하기"},
      {L"en", L"PnlMain", L"PnlMain"},
      {L"en", L"-", L"-"},
      {L"en", L"clean memory", L"clean memory"},  // case-sensitive
      {L"en", L"CLEAN MEMORY", L"CLEAN MEMORY"},
      {L"en", L"정리하기 ", L"정리하기 "},  // no trimming
      {L"en", L"en=Clean memory", L"en=Clean memory"},
      {L"en", L"", L""},
      {L"ko", L"", L""},
      {L"ja", L"정리하기", L"정리하기"},  // no line for the language
      {L"en", L"%.0n MB / %.0n MB (%n%% 사용중)", L"%.0n MB / %.0n MB (Usage: %n%%)"},
      {L"en", L"만든이 Quillmere", L"Quillmere · quillmere.com"},
      {L"en", L"버전", L"ver"},
  });
}

TEST_F(Translate, NoLanguageMeansNoChangeAtAll) {
  LoadShipped();
  EXPECT_EQ(TranslateText(L"정리하기"), L"정리하기");
  EXPECT_EQ(TranslateText(L"a\\nb"), L"a\\nb");
  EXPECT_EQ(TranslateText(L""), L"");
}

TEST_F(Translate, BackslashNBecomesCarriageReturnOnceALanguageIsSet) {
  LoadTranslationTableFromBytes("ko=첫 줄\\n둘째 줄\r\nen=First\\nSecond\r\n");
  ExpectLookups({
      {L"en", L"첫 줄\\n둘째 줄", L"First\rSecond"},  // the key keeps its backslash-n
      {L"ko", L"First\\nSecond", L"첫 줄\r둘째 줄"},
      {L"en", L"a\\nb", L"a\rb"},                     // untranslated text too
      {L"en", L"\\n\\n", L"\r\r"},
      {L"en", L"\\\\n", L"\\\r"},
      {L"en", L"\\", L"\\"},
      {L"en", L"n\\", L"n\\"},
      {L"en", L"\\N", L"\\N"},
      {L"en", L"a\nb", L"a\nb"},
  });
}

TEST_F(Translate, BlockLookupRules) {
  LoadTranslationTableFromBytes(
      "ko=하나\r\nen=One\r\n"
      "\r\n"
      "ko=둘\r\nja=二\r\n"             // no English line
      "\r\n"
      "en=Three\r\nko=셋\r\n"          // English first
      "\r\n"
      "ko=넷\r\nen=\r\n"               // empty English text
      "\r\n"
      "no equals sign\r\nko=다섯\r\nen=Five\r\nen=Fünf\r\n"
      "\r\n"
      "=Six\r\nen=Sechs\r\nEN=SIX\r\n"
      "\r\n"
      "en=Same\r\nko=첫째\r\n"
      "\r\n"
      "ko=Same\r\nen=Second\r\n"
      "\r\n"
      "ko=a=b\r\nen=c=d\r\n");
  ExpectLookups({
      {L"en", L"하나", L"One"},
      {L"en", L"둘", L"둘"},
      {L"ja", L"둘", L"二"},
      {L"ko", L"Three", L"셋"},
      {L"en", L"넷", L"넷"},
      {L"en", L"", L""},                // neither "en=" nor the line without '=' is a key
      {L"en", L"no equals sign", L"no equals sign"},
      {L"en", L"다섯", L"Five"},        // first line of the language in the block
      {L"en", L"Fünf", L"Five"},
      {L"en", L"Six", L"Sechs"},
      {L"EN", L"Six", L"SIX"},          // language codes are case-sensitive too
      {L"en", L"Same", L"Same"},        // first match wins, whatever its language
      {L"ko", L"Same", L"첫째"},
      {L"en", L"a=b", L"c=d"},          // the text is everything after the first '='
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
      {"a", {L"a"}},
      {"a\r\n\r\nb\r\n", {L"a", L"", L"b"}},
      {"a\nb\n", {L"a", L"b"}},
      {"a\rb", {L"a", L"b"}},
      {"a\n\rb", {L"a", L"", L"b"}},
      {"a\r\n\r\n", {L"a", L""}},
      {"\r\n", {L""}},
      {"ko=가\r\nen=x", {L"ko=가", L"en=x"}},
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
    if (!bytes_) return false;
    bytes = *bytes_;
    return true;
  }

 private:
  std::optional<std::string> bytes_;
};

TEST_F(Translate, MissingResourceLeavesTheTableEmpty) {
  LoadTranslationTable(FakeResources(ShippedBytes()));
  EXPECT_EQ(TranslationTable().size(), 68u);

  LoadTranslationTable(FakeResources(std::nullopt));
  EXPECT_TRUE(TranslationTable().empty());
  ExpectLookups({{L"en", L"정리하기", L"정리하기"}, {L"en", L"x\\ny", L"x\ry"}});

  LoadTranslationTable(FakeResources(std::string()));
  EXPECT_TRUE(TranslationTable().empty());
}

class FakeLocale : public LocaleSource {
 public:
  FakeLocale(bool ok, std::wstring name) : ok_(ok), name_(std::move(name)) {}
  bool UserIso639Name(std::wstring& name) const override {
    name = name_;
    return ok_;
  }

 private:
  bool ok_;
  std::wstring name_;
};

TEST(GetUserLanguage, LocaleNameOrEnglish) {
  struct Case {
    bool ok;
    std::wstring name, expected;
  };
  const Case cases[] = {
      {true, L"ko", L"ko"}, {true, L"ja", L"ja"}, {true, L"haw", L"haw"},
      {false, L"ko", L"en"}, {false, L"", L"en"}, {true, L"", L"en"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.name));
    EXPECT_EQ(GetUserLanguage(FakeLocale(c.ok, c.name)), c.expected);
  }
}

TEST_F(Translate, ALookupAllocatesNothingButItsResult) {
  LoadShipped();
  const long start = g_allocations;
  const std::wstring longText(64, L'x');
  ASSERT_GT(g_allocations, start) << "the counter sees no allocations";

  const std::wstring texts[] = {L"%.0n MB / %.0n MB (%n%% 사용중)", L"not in the table at all", L"a\\nb"};
  for (const wchar_t* language : {L"en", L"ko", L""}) {
    SetCurrentLanguage(language);
    for (const auto& text : texts) {
      const long before = g_allocations;
      const std::wstring result = TranslateText(text);
      EXPECT_LE(g_allocations - before, 1) << WideToUtf8(text);
    }
  }
}

}  // namespace
}  // namespace zeph::translate
