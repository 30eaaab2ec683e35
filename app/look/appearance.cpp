#include "app/look/appearance.h"

#include <algorithm>
#include <cmath>

namespace zeph::win32 {
namespace {

// WCAG relative luminance of an sRGB colour.
double Luminance(Rgb c) {
  const auto linear = [](std::uint8_t v) {
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

}  // namespace

Look ChooseLook(bool themeLoaded, bool themeHasDark, std::optional<std::uint32_t> appsUseLightTheme,
                bool highContrast) {
  if (!themeLoaded || highContrast) return Look::System;
  return themeHasDark && appsUseLightTheme == 0u ? Look::Dark : Look::Light;
}

double ContrastRatio(Rgb a, Rgb b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace zeph::win32
