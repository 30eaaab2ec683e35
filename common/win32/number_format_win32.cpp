#include "common/win32/number_format_win32.h"

#include <windows.h>

#include <iterator>
#include <string>

namespace zeph {
namespace {

// The locale's text for one item, or nullopt when the query fails. Windows allows
// up to three characters for either separator; an empty one is possible for the
// thousands separator.
std::optional<std::wstring> LocaleText(LCTYPE item) {
  wchar_t buffer[16];
  const int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, item, buffer, static_cast<int>(std::size(buffer)));
  if (length <= 0) return std::nullopt;
  return std::wstring(buffer, static_cast<std::size_t>(length - 1));
}

}  // namespace

const NumberSeparators& Win32NumberFormat::UserSeparators() {
  if (!separators_) {
    NumberSeparators separators;  // "," and "." when the locale cannot be read
    if (auto thousands = LocaleText(LOCALE_STHOUSAND)) separators.thousands = std::move(*thousands);
    // A number without a decimal mark would read as a different number.
    if (auto decimal = LocaleText(LOCALE_SDECIMAL); decimal && !decimal->empty()) {
      separators.decimal = std::move(*decimal);
    }
    separators_ = std::move(separators);
  }
  return *separators_;
}

}  // namespace zeph
