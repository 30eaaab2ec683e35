#pragma once
// The text-table format both of the program's tables share: UTF-8 lines
// "code=text", blocks separated by one empty line, one line per language.
#include <string>
#include <string_view>
#include <vector>

namespace zeph::translate {

// The lines of the table's bytes (an optional byte-order mark is dropped). CR LF, a
// lone LF or a lone CR each end a line; a line end at the very end opens no empty line.
std::vector<std::wstring> SplitTableLines(std::string_view utf8WithBom);

// The text of `text`'s block in `language`, or `text` itself when no line carries it
// or its block has no such language. The first line in table order whose text equals
// `text` wins, whatever its language. "\n" pairs become a carriage return.
std::wstring LookUpText(const std::vector<std::wstring>& table, const std::wstring& text,
                        std::wstring_view language);

}  // namespace zeph::translate
