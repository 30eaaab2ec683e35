#include "update/charset.h"

#include <string>

namespace zeph::update {
namespace {

struct CharsetEntry {
  std::wstring_view name;
  std::uint32_t codePage;
};

// The charsets web servers declare in practice, by their registered names and the
// aliases seen in the wild. Latin-1 and ASCII are read as windows-1252, as browsers
// do: servers that declare them mostly send windows-1252.
constexpr CharsetEntry kCharsets[] = {
    {L"utf-8", kCodePageUtf8},
    {L"utf8", kCodePageUtf8},
    {L"unicode-1-1-utf-8", kCodePageUtf8},
    {L"utf-16", kCodePageUtf16Le},
    {L"utf-16le", kCodePageUtf16Le},
    {L"utf-16be", kCodePageUtf16Be},
    {L"us-ascii", 1252},
    {L"ascii", 1252},
    {L"iso-8859-1", 1252},
    {L"iso8859-1", 1252},
    {L"iso_8859-1", 1252},
    {L"latin1", 1252},
    {L"l1", 1252},
    {L"iso-8859-2", 28592},
    {L"iso-8859-3", 28593},
    {L"iso-8859-4", 28594},
    {L"iso-8859-5", 28595},
    {L"iso-8859-6", 28596},
    {L"iso-8859-7", 28597},
    {L"iso-8859-8", 28598},
    {L"iso-8859-9", 1254},
    {L"iso-8859-13", 28603},
    {L"iso-8859-15", 28605},
    {L"windows-874", 874},
    {L"windows-1250", 1250},
    {L"windows-1251", 1251},
    {L"windows-1252", 1252},
    {L"windows-1253", 1253},
    {L"windows-1254", 1254},
    {L"windows-1255", 1255},
    {L"windows-1256", 1256},
    {L"windows-1257", 1257},
    {L"windows-1258", 1258},
    {L"cp1250", 1250},
    {L"cp1251", 1251},
    {L"cp1252", 1252},
    {L"koi8-r", 20866},
    {L"koi8-u", 21866},
    {L"ibm866", 866},
    {L"cp866", 866},
    {L"euc-kr", 949},
    {L"ks_c_5601-1987", 949},
    {L"cp949", 949},
    {L"windows-949", 949},
    {L"shift_jis", 932},
    {L"shift-jis", 932},
    {L"sjis", 932},
    {L"windows-31j", 932},
    {L"cp932", 932},
    {L"euc-jp", 20932},
    {L"gb2312", 936},
    {L"gbk", 936},
    {L"cp936", 936},
    {L"gb18030", 54936},
    {L"big5", 950},
    {L"cp950", 950},
};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::wstring_view Unquote(std::wstring_view s) {
  if (s.size() >= 2 && s.front() == L'"' && s.back() == L'"') return s.substr(1, s.size() - 2);
  return s;
}

std::wstring LowerAscii(std::wstring_view s) {
  std::wstring lower(s);
  for (wchar_t& c : lower) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return lower;
}

}  // namespace

std::uint32_t CodePageForCharset(std::wstring_view charset) {
  const std::wstring name = LowerAscii(Trim(Unquote(Trim(charset))));
  for (const CharsetEntry& entry : kCharsets) {
    if (name == entry.name) return entry.codePage;
  }
  return kCodePageUtf8;
}

std::wstring_view CharsetOfContentType(std::wstring_view contentType) {
  // The media type comes first; parameters follow, each after a semicolon.
  std::size_t semicolon = contentType.find(L';');
  while (semicolon != std::wstring_view::npos) {
    const std::size_t next = contentType.find(L';', semicolon + 1);
    const std::wstring_view parameter =
        Trim(contentType.substr(semicolon + 1, next == std::wstring_view::npos ? next : next - semicolon - 1));
    semicolon = next;
    const std::size_t equals = parameter.find(L'=');
    if (equals != std::wstring_view::npos && LowerAscii(Trim(parameter.substr(0, equals))) == L"charset") {
      return Unquote(Trim(parameter.substr(equals + 1)));
    }
  }
  return {};
}

BodyEncoding DetectBodyEncoding(std::wstring_view contentType, std::string_view body) {
  if (body.substr(0, 3) == "\xEF\xBB\xBF") return {kCodePageUtf8, 3};
  if (body.substr(0, 2) == "\xFF\xFE") return {kCodePageUtf16Le, 2};
  if (body.substr(0, 2) == "\xFE\xFF") return {kCodePageUtf16Be, 2};
  return {CodePageForCharset(CharsetOfContentType(contentType)), 0};
}

}  // namespace zeph::update
