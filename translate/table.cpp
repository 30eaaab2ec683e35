#include "translate/table.h"

#include "common/utf.h"

namespace zeph::translate {
namespace {

// A line is "code=text": the code is what stands before the first '=', the text
// everything after it. A line without '=' has neither.
std::wstring_view CodeOf(std::wstring_view line) {
  const auto eq = line.find(L'=');
  return eq == std::wstring_view::npos ? std::wstring_view() : line.substr(0, eq);
}

std::wstring_view TextOf(std::wstring_view line) {
  const auto eq = line.find(L'=');
  return eq == std::wstring_view::npos ? std::wstring_view() : line.substr(eq + 1);
}

// The text of the first line in the block starting at `start` whose code is the
// language; empty when the block has none.
std::wstring_view LookupBlock(const std::vector<std::wstring>& table, std::size_t start,
                              std::wstring_view language) {
  for (std::size_t i = start; i < table.size() && !table[i].empty(); ++i) {
    if (CodeOf(table[i]) == language) return TextOf(table[i]);
  }
  return {};
}

// The table writes a line break as backslash + 'n'; the window shows it as CR.
// Done in place: the status line goes through here every second.
void ExpandLineBreaks(std::wstring& text) {
  std::size_t out = 0;
  for (std::size_t in = 0; in < text.size(); ++in) {
    if (text[in] == L'\\' && in + 1 < text.size() && text[in + 1] == L'n') {
      text[out++] = L'\r';
      ++in;
    } else {
      text[out++] = text[in];
    }
  }
  text.resize(out);
}

}  // namespace

std::vector<std::wstring> SplitTableLines(std::string_view utf8WithBom) {
  constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  if (utf8WithBom.starts_with(kUtf8Bom)) utf8WithBom.remove_prefix(kUtf8Bom.size());
  const std::wstring text = Utf8ToWide(utf8WithBom);
  std::vector<std::wstring> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const auto end = text.find_first_of(L"\r\n", begin);
    if (end == std::wstring::npos) {
      lines.emplace_back(text, begin);
      break;
    }
    lines.emplace_back(text, begin, end - begin);
    begin = end + ((text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n') ? 2 : 1);
  }
  return lines;
}

std::wstring LookUpText(const std::vector<std::wstring>& table, const std::wstring& text,
                        std::wstring_view language) {
  // An empty text is never a key: a malformed line without '=' (or with nothing
  // after it) must not turn an empty caption into some other block's text.
  std::wstring_view found;
  if (!text.empty()) {
    std::size_t blockStart = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
      if (table[i].empty()) {
        blockStart = i + 1;
      } else if (TextOf(table[i]) == text) {
        found = LookupBlock(table, blockStart, language);
        break;
      }
    }
  }
  std::wstring result = found.empty() ? text : std::wstring(found);
  ExpandLineBreaks(result);
  return result;
}

}  // namespace zeph::translate
