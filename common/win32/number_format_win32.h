#pragma once
// The user's thousands and decimal separators, read once from the locale
// (LOCALE_USER_DEFAULT, LOCALE_STHOUSAND and LOCALE_SDECIMAL) when first asked.
#include <optional>

#include "common/format.h"

namespace zeph {

class Win32NumberFormat final : public NumberFormatSource {
 public:
  const NumberSeparators& UserSeparators() override;

 private:
  std::optional<NumberSeparators> separators_;
};

}  // namespace zeph
