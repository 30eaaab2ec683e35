#pragma once
// How the body of an HTTP reply is turned into text: the charset its Content-Type
// declares, a byte-order mark before that, UTF-8 when neither says anything.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zeph::update {

inline constexpr std::uint32_t kCodePageUtf8 = 65001;
inline constexpr std::uint32_t kCodePageUtf16Le = 1200;
inline constexpr std::uint32_t kCodePageUtf16Be = 1201;

struct BodyEncoding {
  std::uint32_t codePage;   // a Windows code page number
  std::size_t bomLength;    // bytes of byte-order mark to skip before decoding
};

// The Windows code page for a charset name ("utf-8", "ISO-8859-1", "\"euc-kr\"",
// "windows-1251", ...); UTF-8 for a name it does not know.
std::uint32_t CodePageForCharset(std::wstring_view charset);

// The charset parameter of a Content-Type value, unquoted; empty when there is none.
std::wstring_view CharsetOfContentType(std::wstring_view contentType);

// A byte-order mark at the start of the body wins over the declared charset.
BodyEncoding DetectBodyEncoding(std::wstring_view contentType, std::string_view body);

}  // namespace zeph::update
