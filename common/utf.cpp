#include "common/utf.h"

#include <charconv>

namespace zeph {
namespace {

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;
constexpr char32_t kReplacement = 0xFFFD;

void AppendWide(std::wstring& out, char32_t cp) {
  if (kWideIsUtf16 && cp > 0xFFFF) {
    cp -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

// Decodes one code point at text[i], advancing i; malformed input gives U+FFFD.
char32_t NextUtf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || lead > 0xF4) return kReplacement;
  char32_t cp = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size()) return kReplacement;
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80) return kReplacement;
    cp = (cp << 6) | (c & 0x3F);
    ++i;
  }
  return cp;
}

// Reads one code point of wide text at text[i], joining a UTF-16 surrogate pair.
char32_t NextWide(std::wstring_view text, std::size_t& i) {
  char32_t cp = static_cast<char32_t>(text[i++]) & 0x1FFFFF;
  if (kWideIsUtf16 && cp >= 0xD800 && cp <= 0xDBFF && i < text.size()) {
    const char32_t low = static_cast<char32_t>(text[i]);
    if (low >= 0xDC00 && low <= 0xDFFF) {
      ++i;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) AppendWide(out, NextUtf8(utf8, i));
  return out;
}

std::string WideToUtf8(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size();) AppendUtf8(out, NextWide(wide, i));
  return out;
}

std::vector<std::uint8_t> WideToUtf16Le(std::wstring_view wide) {
  std::vector<std::uint8_t> out;
  out.reserve(wide.size() * 2);
  auto unit = [&out](char32_t u) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>((u >> 8) & 0xFF));
  };
  for (std::size_t i = 0; i < wide.size();) {
    char32_t cp = NextWide(wide, i);
    if (cp > 0xFFFF) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

std::wstring Utf16LeToWide(const std::uint8_t* bytes, std::size_t size) {
  std::wstring units;
  units.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2)
    units.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
  if constexpr (kWideIsUtf16) {
    return units;
  } else {
    std::wstring out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
      char32_t cp = static_cast<char32_t>(units[i]);
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size()) {
        const char32_t low = static_cast<char32_t>(units[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
      out.push_back(static_cast<wchar_t>(cp));
    }
    return out;
  }
}

std::wstring DecimalText(std::uint64_t value) {
  char digits[20];
  const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return std::wstring(static_cast<const char*>(digits), end);
}

}  // namespace zeph
