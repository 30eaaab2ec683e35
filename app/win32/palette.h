#pragma once
// The colours the window paints with: the "Quillmere" theme's when it loaded,
// otherwise the system's own look. The theme travels as the resource VCLSTYLE
// "Quillmere" (see theme.h for its format).
#include <windows.h>

#include <optional>
#include <string>

#include "app/win32/theme.h"

namespace zeph::win32 {

struct Palette {
  bool themed = false;
  bool dark = false;  // the dark palette: title bars ask DWM for their dark look too
  COLORREF window, text, header, headerLine, headerText, headerHot, headerDown, headerDownText, accent;
  COLORREF buttonFace, buttonHot, buttonDown, buttonBorder, buttonText, groupFrame, groupText;
  COLORREF disabledText;
};

Palette SystemPalette();
Palette ThemePalette(const Theme& theme);

// The theme resource of this module, parsed; nothing when it is missing or malformed.
std::optional<Theme> LoadThemeResource(const std::wstring& name);

// Loads the named theme. When that fails, tells the user with the error box
// "Style '<name>' not found" (one close button) and gives the system look.
Palette ApplyTheme(const std::wstring& name);

// Halfway between two colours, for the disabled and pressed shades.
COLORREF Blend(COLORREF a, COLORREF b, int percentOfB);

}  // namespace zeph::win32
