// Reading the update reply: the program does not parse JSON; it cuts the value of one
// string member out of the text and decodes its escapes.
#include <string>
#include <string_view>

#include "update/update.h"

namespace zeph::update {
namespace {

// Only a to z change, so every position in the copy matches the original.
std::wstring UpperAscii(const std::wstring& s) {
  std::wstring upper = s;
  for (wchar_t& c : upper) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return upper;
}

// Turns every quote that a backslash escapes into a backslash, so that only an
// unescaped quote can end the value. A backslash takes the character after it,
// whatever it is: in `\\"` the backslash is the escaped one and the quote ends the
// value (replacing the pair `\"` blindly would swallow that closing quote).
void MaskEscapedQuotes(std::wstring& text, wchar_t quote) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'\\') continue;
    if (text[i + 1] == quote) text[i + 1] = L'\\';
    ++i;
  }
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool StartsWithNoCase(const std::wstring& text, std::wstring_view lowerPrefix) {
  if (text.size() < lowerPrefix.size()) return false;
  for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != lowerPrefix[i]) return false;
  }
  return true;
}

}  // namespace

std::wstring ExtractAt(const std::wstring& source, const std::wstring& startTag, const std::wstring& endTag,
                       int& offset) {
  std::wstring text = UpperAscii(source);
  const std::wstring start = UpperAscii(startTag);
  const std::wstring end = UpperAscii(endTag);
  if (end == L"\"" || end == L"'") MaskEscapedQuotes(text, end[0]);

  std::size_t first = 0;  // 0-based index of the value's first character
  if (!start.empty()) {
    // Offset counts from 1; 0 (what a failed search leaves behind) finds nothing.
    const std::size_t found = offset < 1 ? std::wstring::npos : text.find(start, static_cast<std::size_t>(offset) - 1);
    if (found == std::wstring::npos) {
      offset = 0;
      return {};
    }
    first = found + start.size();
  }
  std::size_t last = text.size();  // 0-based index of the end tag
  if (!end.empty()) {
    last = text.find(end, first);
    if (last == std::wstring::npos) {
      offset = 0;
      return {};
    }
  }
  offset = static_cast<int>(last + 2);  // the end tag's 1-based position + 1
  return source.substr(first, last - first);
}

std::wstring ExtractBetween(const std::wstring& source, const std::wstring& startTag, const std::wstring& endTag) {
  int offset = 1;
  return ExtractAt(source, startTag, endTag, offset);
}

std::wstring JsonUnescape(const std::wstring& s) {
  std::wstring out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != L'\\') {
      out.push_back(s[i]);
      continue;
    }
    if (++i == s.size()) break;
    switch (s[i]) {
      case L'"':
      case L'\'':
      case L'/':
      case L'\\': out.push_back(s[i]); break;
      case L'b': out.push_back(L'\b'); break;
      case L'f': out.push_back(L'\f'); break;
      case L'n': out.push_back(L'\n'); break;
      case L'r': out.push_back(L'\r'); break;
      case L't': out.push_back(L'\t'); break;
      case L'u': {
        unsigned unit = 0;
        int digits = 0;
        while (digits < 4 && i + 1 < s.size() && HexDigit(s[i + 1]) >= 0) {
          unit = unit * 16 + static_cast<unsigned>(HexDigit(s[++i]));
          ++digits;
        }
        if (digits > 0) out.push_back(static_cast<wchar_t>(unit));
        break;
      }
      default: break;
    }
  }
  return out;
}

namespace {

// Characters a browser's command line or its address bar could take for something
// else: C0 and C1 controls, every Unicode blank, and the bidirectional controls that
// let an address display in an order other than the one it has.
bool IsRefusedInAddress(wchar_t c) {
  if (c <= 0x20 || (c >= 0x7F && c <= 0x9F) || c == L'"') return true;
  switch (c) {
    case 0x00A0:  // no-break space
    case 0x061C:  // Arabic letter mark
    case 0x1680:  // Ogham space mark
    case 0x2028:  // line separator
    case 0x2029:  // paragraph separator
    case 0x202F:  // narrow no-break space
    case 0x205F:  // medium mathematical space
    case 0x3000:  // ideographic space
    case 0xFEFF:  // zero-width no-break space
      return true;
    default:
      break;
  }
  return (c >= 0x2000 && c <= 0x200B) ||  // en quad to zero-width space
         (c >= 0x200E && c <= 0x200F) ||  // left-to-right and right-to-left marks
         (c >= 0x202A && c <= 0x202E) ||  // embeddings and overrides
         (c >= 0x2066 && c <= 0x2069);    // isolates
}

}  // namespace

bool IsWebAddress(const std::wstring& address) {
  std::size_t hostStart = 0;
  if (StartsWithNoCase(address, L"https://")) {
    hostStart = 8;
  } else if (StartsWithNoCase(address, L"http://")) {
    hostStart = 7;
  } else {
    return false;
  }
  if (hostStart == address.size() || std::wstring_view(L"/?#").find(address[hostStart]) != std::wstring_view::npos) {
    return false;  // no host
  }
  for (const wchar_t c : address) {
    if (IsRefusedInAddress(c)) return false;
  }
  return true;
}

}  // namespace zeph::update
