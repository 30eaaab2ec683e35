#pragma once
// To add a colour: add one line to TIDEWELL_THEME_COLORS in theme.h (its
// name, the Palette member, the theme key and the system colour for the system look),
// and the key to resources/quillmere.theme twice, light ("key=") and dark
// ("dark.key="): a theme without it no longer loads. Then paint with palette.member.
//
// The colours the window paints with: the "Quillmere" theme's light or dark palette
// when it loaded, following the user's choice for apps, otherwise, and always in
// high contrast, the system's own look. The theme travels as the resource VCLSTYLE
// "Quillmere" (see theme.h for its format).
#include <windows.h>

#include <optional>
#include <string>

#include "app/look/theme.h"

namespace zeph::win32 {

// The program's theme resource.
inline constexpr wchar_t kThemeName[] = L"Quillmere";

struct Palette {
  bool themed = false;
  bool dark = false;  // the dark palette: title bars ask DWM for their dark look too
#define TIDEWELL_THEME_COLOR_MEMBER(name, member, key, system) COLORREF member;
  TIDEWELL_THEME_COLORS(TIDEWELL_THEME_COLOR_MEMBER)
#undef TIDEWELL_THEME_COLOR_MEMBER
  COLORREF disabledText;  // derived: not in the theme
};

Palette SystemPalette();
Palette ThemePalette(const ThemeColors& colors, bool dark = false);

// The theme resource of this module, parsed; nothing when it is missing or malformed.
std::optional<Theme> LoadThemeResource(const std::wstring& name);

// Loads the named theme. When that fails, tells the user with the error box
// "Style '<name>' not found" (one close button) and gives the system look.
Palette ApplyTheme(const std::wstring& name);

// The palette for the system's settings now (apps light or dark, high contrast);
// the system look when `theme` is nothing.
Palette PaletteFor(const std::optional<Theme>& theme);
// The same for the named theme resource, without a word when it is missing: for a
// settings change while the program runs.
Palette CurrentPalette(const std::wstring& name);

// Whether a message to a top-level window says the look may have changed: the apps'
// light or dark choice ("ImmersiveColorSet"), high contrast, or the system colours.
bool IsLookChange(UINT msg, WPARAM wParam, LPARAM lParam);

// Halfway between two colours, for the disabled and pressed shades.
COLORREF Blend(COLORREF a, COLORREF b, int percentOfB);

}  // namespace zeph::win32
