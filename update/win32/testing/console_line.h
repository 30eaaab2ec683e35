#pragma once
// One line of output from the update test programs: UTF-8, with CR and LF written as
// \r and \n so that a multi-line text stays on one line for the test script.
#include <string>

#include "common/utf.h"

namespace zeph::update::testing {

inline std::string ConsoleLine(const std::wstring& text) {
  std::wstring escaped;
  for (const wchar_t c : text) {
    if (c == L'\r') {
      escaped += L"\\r";
    } else if (c == L'\n') {
      escaped += L"\\n";
    } else {
      escaped += c;
    }
  }
  return WideToUtf8(escaped) + "\n";
}

}  // namespace zeph::update::testing
