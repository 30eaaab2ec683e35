// libFuzzer target for reading update replies: ExtractAt/ExtractBetween, JsonUnescape,
// the download-address check and the charset of a Content-Type. Built and run by
// scripts/fuzz.
//
// Input: "START\x01END\x01SOURCE" tries those tags on SOURCE; anything without two
// \x01 bytes is a whole reply read with the update member's tags. Bytes below 0x80
// are those characters; higher bytes stand for code units spread over the whole
// 16-bit range, surrogates included.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "update/charset.h"
#include "update/update.h"

namespace {

std::wstring Widen(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    text.push_back(static_cast<wchar_t>(b < 0x80 ? b : (b - 0x80) * 0x200 + 0x80 + (b & 0x7)));
  }
  return text;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zeph::update;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::wstring startTag = L"\"update\":\"";
  std::wstring endTag = L"\"";
  std::string_view sourceBytes = input;
  const std::size_t first = input.find('\x01');
  const std::size_t second = first == std::string_view::npos ? first : input.find('\x01', first + 1);
  if (second != std::string_view::npos) {
    startTag = Widen(input.substr(0, first));
    endTag = Widen(input.substr(first + 1, second - first - 1));
    sourceBytes = input.substr(second + 1);
  }
  const std::wstring source = Widen(sourceBytes);

  // The value is a piece of the source itself, found where the search says.
  const std::wstring value = ExtractBetween(source, startTag, endTag);
  Require(value.size() <= source.size());
  Require(value.empty() || source.find(value) != std::wstring::npos);

  // Walking every occurrence ends: each step moves past the previous end tag.
  int offset = 1;
  for (int step = 0; offset > 0 && step <= static_cast<int>(source.size()) + 1; ++step) {
    const int before = offset;
    const std::wstring piece = ExtractAt(source, startTag, endTag, offset);
    Require(offset == 0 || (offset >= 2 && static_cast<std::size_t>(offset) <= source.size() + 2));
    Require(piece.size() <= source.size());
    if (startTag.empty()) break;  // an empty start tag always starts at the first character
    Require(offset == 0 || offset > before);
  }

  // Decoding never grows the text.
  const std::wstring address = JsonUnescape(value);
  Require(address.size() <= value.size());
  Require(JsonUnescape(source).size() <= source.size());
  if (IsWebAddress(address)) Require(address.find(L'"') == std::wstring::npos);

  const BodyEncoding encoding = DetectBodyEncoding(source, sourceBytes);
  Require(encoding.bomLength <= sourceBytes.size());
  return 0;
}
