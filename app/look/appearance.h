#pragma once
// Which of the window's looks the system's settings ask for, and how well two
// colours read against each other. No Windows types: tested on the host.
#include <cstdint>
#include <optional>

#include "app/look/theme.h"

namespace zeph::win32 {

enum class Look {
  Light,   // the theme's light palette
  Dark,    // the theme's dark palette
  System,  // the system's own colours: no theme, or high contrast
};

// `appsUseLightTheme` is the user's "apps" choice in Personalize (0 dark, anything
// else light), nothing when the value is missing or not a DWORD (Windows before 10
// 1809 has none: light). High contrast always wins: its colours are the user's need,
// not a taste.
Look ChooseLook(bool themeLoaded, bool themeHasDark, std::optional<std::uint32_t> appsUseLightTheme,
                bool highContrast);

// The WCAG contrast ratio of two colours, 1 (the same) to 21 (black on white).
double ContrastRatio(Rgb a, Rgb b);

}  // namespace zeph::win32
