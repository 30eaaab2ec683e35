#pragma once
// UTF-8 <-> wide text. On Windows std::wstring is UTF-16; on the Linux host it is
// UTF-32, and both directions there keep one wchar_t per code point.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeph {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// UTF-16LE bytes as the registry and other Windows APIs store text.
std::vector<std::uint8_t> WideToUtf16Le(std::wstring_view wide);
std::wstring Utf16LeToWide(const std::uint8_t* bytes, std::size_t size);

// The decimal digits of `value`. std::to_wstring does the same through the C
// library's wide printf, which MinGW brings in whole (some 12 KB of the exe).
std::wstring DecimalText(std::uint64_t value);

}  // namespace zeph
