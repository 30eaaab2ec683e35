// Reading the update reply: the member's value, its escapes, and which values may
// reach the shell; and how a reply's bytes are decoded.
#include <gtest/gtest.h>

#include <string>

#include "update/charset.h"
#include "update/update.h"

namespace zeph::update {
namespace {

const std::wstring kStart = L"\"update\":\"";
const std::wstring kQuote = L"\"";

TEST(ExtractBetween, ReadsTheUpdateMemberOfAReply) {
  struct Case {
    const wchar_t* reply;
    const wchar_t* raw;       // ExtractBetween
    const wchar_t* address;   // JsonUnescape of it
  };
  const Case cases[] = {
      {LR"({"update":"https:\/\/example.test\/dl\/setup.exe"})", LR"(https:\/\/example.test\/dl\/setup.exe)",
       L"https://example.test/dl/setup.exe"},
      // A blank after the colon is not the tag: no value, so no prompt.
      {LR"({"update": "https://example.test/dl"})", L"", L""},
      // The member name in capitals matches; the value keeps its own letter case.
      {LR"({"UPDATE":"https://Example.TEST/Dl"})", L"https://Example.TEST/Dl", L"https://Example.TEST/Dl"},
      {LR"({"UpDaTe":"x"})", L"x", L"x"},
      // An escaped quote does not end the value and comes out as a quote.
      {LR"({"update":"a\"b","next":"c"})", LR"(a\"b)", L"a\"b"},
      // An escaped backslash right before the closing quote does not eat that quote.
      {LR"({"update":"a\\","next":"c"})", LR"(a\\)", L"a\\"},
      {LR"({"update":"a\\\"b"})", LR"(a\\\"b)", L"a\\\"b"},
      // An escape letter outside the list disappears with its backslash.
      {LR"({"update":"ab\xcd"})", LR"(ab\xcd)", L"abcd"},
      {LR"({"update":""})", L"", L""},
      {LR"({"version":"1.6.7"})", L"", L""},
      {LR"({"update":"https://never-closed)", L"", L""},
      {L"", L"", L""},
      // Only the first member counts.
      {LR"({"update":"first","update":"second"})", L"first", L"first"},
      // The tag may sit anywhere in the text, not only in a JSON object.
      {LR"(<html>"update":"https://x/"</html>)", L"https://x/", L"https://x/"},
  };
  for (const Case& c : cases) {
    const std::wstring raw = ExtractBetween(c.reply, kStart, kQuote);
    EXPECT_EQ(raw, c.raw) << c.reply;
    EXPECT_EQ(JsonUnescape(raw), c.address) << c.reply;
  }
}

TEST(ExtractAt, WalksThroughRepeatedTagsAndReportsTheEnd) {
  const std::wstring source = L"<a>one</a><A>two</A><a>three";
  int offset = 1;
  EXPECT_EQ(ExtractAt(source, L"<a>", L"</a>", offset), L"one");
  EXPECT_EQ(offset, 8);  // "</a>" starts at 7
  EXPECT_EQ(ExtractAt(source, L"<a>", L"</a>", offset), L"two");
  EXPECT_EQ(offset, 18);
  EXPECT_EQ(ExtractAt(source, L"<a>", L"</a>", offset), L"");  // no end tag after "three"
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(ExtractAt(source, L"<a>", L"</a>", offset), L"");  // 0 finds nothing, so loops end
  EXPECT_EQ(offset, 0);
}

TEST(ExtractAt, EmptyTagsAndOffsetsAtTheEdges) {
  struct Case {
    const wchar_t* source;
    const wchar_t* startTag;
    const wchar_t* endTag;
    int offset;
    const wchar_t* result;
    int offsetAfter;
  };
  const Case cases[] = {
      {L"key=value", L"key=", L"", 1, L"value", 11},   // empty end tag: to the end
      {L"abc;def", L"", L";", 1, L"abc", 5},           // empty start tag: from the first character
      {L"abc;def", L"", L";", 6, L"abc", 5},           // ... whatever the offset
      {L"abc", L"", L"", 1, L"abc", 5},
      {L"", L"", L"", 1, L"", 2},
      {L"xx[a]", L"[", L"]", 3, L"a", 6},
      {L"[a]xx", L"[", L"]", 2, L"", 0},               // the only start tag lies before the offset
      {L"[a]", L"[", L"]", 4, L"", 0},                 // offset just past the text
      {L"[a]", L"[", L"]", 99, L"", 0},
      {L"[a]", L"[", L"]", -5, L"", 0},
      {L"[]", L"[", L"]", 1, L"", 3},                  // found, and empty
      {L"it's 'q\\'x' end", L"'", L"'", 5, L"q\\'x", 12},  // an apostrophe end tag honours escapes too
  };
  for (const Case& c : cases) {
    int offset = c.offset;
    EXPECT_EQ(ExtractAt(c.source, c.startTag, c.endTag, offset), c.result) << c.source << " @" << c.offset;
    EXPECT_EQ(offset, c.offsetAfter) << c.source << " @" << c.offset;
  }
}

TEST(JsonUnescape, DecodesEveryEscape) {
  struct Case {
    std::wstring input;
    std::wstring output;
  };
  const Case cases[] = {
      {L"plain text", L"plain text"},
      {LR"(\"\'\/\\)", L"\"'/\\"},
      {LR"(\b\f\n\r\t)", L"\b\f\n\r\t"},
      {LR"(\u0041\u00e9\u00E9)", L"A\u00e9\u00e9"},
      {LR"(\uD55C\uAE00)", L"\uD55C\uAE00"},
      {LR"(\x\q\U0041)", L"0041"},        // unknown escapes vanish with their backslash
      {L"end\\", L"end"},                 // a lone backslash at the very end
      {L"\\", L""},
      {LR"(\\u0041)", L"\\u0041"},        // an escaped backslash, then plain text
      {LR"(\u00412)", L"A2"},             // exactly four digits are taken
      // Fewer than four hex digits: the digits there are the code unit, the rest is text.
      {LR"(\u41)", L"A"},
      {LR"(\u4)", L"\x04"},
      {LR"(\u)", L""},
      {LR"(\u41zz)", L"Azz"},
      {LR"(\uzzzz)", L"zzzz"},
      {LR"(\u004\n)", L"\x04\n"},         // the escape after a short \u still decodes
      {LR"(\u-041)", L"-041"},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonUnescape(c.input), c.output) << std::wstring(c.input);
  EXPECT_EQ(JsonUnescape(LR"(\u0000)"), std::wstring(1, L'\0'));
}

TEST(JsonUnescape, SurrogatePairComesOutAsTwoCodeUnits) {
  const std::wstring out = JsonUnescape(LR"(a\uD83D\uDE00b)");
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(static_cast<unsigned>(out[1]), 0xD83Du);
  EXPECT_EQ(static_cast<unsigned>(out[2]), 0xDE00u);
  // A lone half is kept as it is, not replaced or dropped.
  EXPECT_EQ(static_cast<unsigned>(JsonUnescape(LR"(\uDE00)")[0]), 0xDE00u);
}

TEST(IsWebAddress, OnlyWebAddressesReachTheShell) {
  struct Case {
    std::wstring address;
    bool accepted;
  };
  const Case cases[] = {
      {L"https://example.test/dl/setup.exe", true},
      {L"http://example.test/dl", true},
      {L"HTTPS://EXAMPLE.TEST/", true},
      {L"HtTp://example.test/a?b=c&d=%20e#f", true},
      {L"", false},
      {L"C:\\Windows\\System32\\cmd.exe", false},
      {L"cmd.exe", false},
      {L"file:///C:/Windows/System32/calc.exe", false},
      {L"\\\\server\\share\\setup.exe", false},
      {L"javascript:alert(1)", false},
      {L"ms-settings:", false},
      {L"ftp://example.test/setup.exe", false},
      {L"https:/example.test", false},
      {L"https:\\\\example.test", false},
      {L" https://example.test", false},
      {L"httpsx://example.test", false},
      // Would break out of the quoted argument the browser is started with.
      {L"https://example.test/\" --utility-cmd-prefix=calc", false},
      {L"https://example.test/a b", false},
      {L"https://example.test/\tx", false},
      {L"https://example.test/\r\nx", false},
      {std::wstring(L"https://example.test/") + L'\0' + L"calc", false},
      {L"https://example.test/\u0085", false},
      {L"https://example.test/\u00e9\uD55C", true},
      // Unicode blanks, and bidirectional controls that make an address read as another.
      {L"https://example.test/a\u00A0b", false},
      {L"https://example.test/a\u2000b", false},
      {L"https://example.test/a\u200Bb", false},
      {L"https://example.test/a\u2028b", false},
      {L"https://example.test/a\u2029b", false},
      {L"https://example.test/a\u202Fb", false},
      {L"https://example.test/a\u205Fb", false},
      {L"https://example.test/a\u3000b", false},
      {L"https://example.test/a\uFEFFb", false},
      {L"https://example.test/a\u200Eb", false},
      {L"https://example.test/a\u200Fb", false},
      {L"https://example.test/a\u202Ab", false},
      {L"https://example.test/gpj.\u202Eexe", false},
      {L"https://example.test/a\u2066b", false},
      {L"https://example.test/a\u2069b", false},
      {L"https://example.test/a\u061Cb", false},
      {L"https://example.test/a\u200Cb", true},  // zero-width non-joiner: part of some scripts' words
      // A host must follow the scheme.
      {L"https://", false},
      {L"http:///setup.exe", false},
      {L"https://?x", false},
      {L"https://#x", false},
      {L"https://a", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsWebAddress(c.address), c.accepted) << c.address;
}

TEST(BodyEncoding, DeclaredCharsetByteOrderMarkOrUtf8) {
  struct Case {
    const wchar_t* contentType;
    std::string body;
    std::uint32_t codePage;
    std::size_t bomLength;
  };
  const Case cases[] = {
      {L"", "{}", kCodePageUtf8, 0},
      {L"text/html; charset=UTF-8", "x", kCodePageUtf8, 0},
      {L"text/plain;charset=ISO-8859-1", "x", 1252, 0},
      {L"text/plain; CHARSET=\"windows-1251\"", "x", 1251, 0},
      {L"text/plain; format=flowed; charset=euc-kr", "x", 949, 0},
      {L"text/plain; charset = shift_jis ", "x", 932, 0},
      {L"text/plain; charset=no-such-charset", "x", kCodePageUtf8, 0},
      {L"text/plain; charset=", "x", kCodePageUtf8, 0},
      {L"text/plain; xcharset=koi8-r", "x", kCodePageUtf8, 0},
      {L"text/plain; charset=utf-16be", "x", kCodePageUtf16Be, 0},
      // A byte-order mark wins over the declaration.
      {L"text/plain; charset=windows-1251", "\xEF\xBB\xBFx", kCodePageUtf8, 3},
      {L"text/plain", "\xFF\xFEx", kCodePageUtf16Le, 2},
      {L"text/plain; charset=utf-8", "\xFE\xFFx", kCodePageUtf16Be, 2},
  };
  for (const Case& c : cases) {
    const BodyEncoding encoding = DetectBodyEncoding(c.contentType, c.body);
    EXPECT_EQ(encoding.codePage, c.codePage) << c.contentType;
    EXPECT_EQ(encoding.bomLength, c.bomLength) << c.contentType;
  }
}

}  // namespace
}  // namespace zeph::update
