#pragma once
// The colours of the "Quillmere" theme. The program carries them as the resource
// VCLSTYLE "Quillmere" in a small text format of its own (resources/quillmere.theme):
//
//   ; a comment
//   window=#FFFFFF
//   dark.window=#1F1F1F
//
// one key=#RRGGBB a line. The plain keys are the light palette, every key of
// TIDEWELL_THEME_COLORS (below) present once. The same keys behind "dark." are the
// dark palette: all of them or none (a theme without them has only the light one). A reader that
// knows no dark palette skips those keys as unknown, so the file stays readable by
// older builds. Parsing knows no Windows types, so it is tested on the host.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zeph::win32 {

// Every colour of the palette, listed once:
//   X(enum name, Palette member, theme file key, system colour in the system look)
// ThemeColor, the file's keys (theme.cpp), the Palette members, SystemPalette() and
// ThemePalette() (palette.h/.cpp) all come from this list. The system colour is a GetSysColor
// index, named only where palette.cpp expands the list with <windows.h>.
#define TIDEWELL_THEME_COLORS(X)                                                          \
  X(Window, window, "window", COLOR_WINDOW)                 /* body of both pages */      \
  X(Text, text, "text", COLOR_WINDOWTEXT)                   /* labels, check boxes */     \
  X(Header, header, "header", COLOR_BTNFACE)                /* the header band */         \
  X(HeaderLine, headerLine, "header_line", COLOR_3DSHADOW)  /* hairline under it */       \
  X(HeaderText, headerText, "header_text", COLOR_BTNTEXT)   /* header button at rest */   \
  X(HeaderHot, headerHot, "header_hot", COLOR_3DLIGHT)      /* ... under the mouse */     \
  X(HeaderDown, headerDown, "header_down", COLOR_WINDOW)    /* the page button down */    \
  X(HeaderDownText, headerDownText, "header_down_text", COLOR_HIGHLIGHT) /* caption, marker */ \
  X(Accent, accent, "accent", COLOR_HIGHLIGHT)              /* progress bar, focus */     \
  X(ButtonFace, buttonFace, "button_face", COLOR_BTNFACE)   /* push buttons */            \
  X(ButtonHot, buttonHot, "button_hot", COLOR_3DLIGHT)                                    \
  X(ButtonDown, buttonDown, "button_down", COLOR_3DSHADOW)                                \
  X(ButtonBorder, buttonBorder, "button_border", COLOR_3DSHADOW)                          \
  X(ButtonText, buttonText, "button_text", COLOR_BTNTEXT)                                 \
  X(GroupFrame, groupFrame, "group_frame", COLOR_3DSHADOW)  /* group box frames */        \
  X(GroupText, groupText, "group_text", COLOR_WINDOWTEXT)   /* group box captions */

enum class ThemeColor : std::size_t {
#define TIDEWELL_THEME_COLOR_ENUM(name, member, key, system) name,
  TIDEWELL_THEME_COLORS(TIDEWELL_THEME_COLOR_ENUM)
#undef TIDEWELL_THEME_COLOR_ENUM
  Count
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// One palette: a colour for every ThemeColor.
struct ThemeColors {
  std::array<Rgb, static_cast<std::size_t>(ThemeColor::Count)> colors{};
  Rgb operator[](ThemeColor c) const { return colors[static_cast<std::size_t>(c)]; }
};

struct Theme {
  ThemeColors light;
  std::optional<ThemeColors> dark;
};

// The file's key for a colour ("header_down_text"); the dark palette's key is it
// behind kDarkPrefix.
std::string_view ThemeKey(ThemeColor color);
inline constexpr std::string_view kDarkPrefix = "dark.";

// Parses the resource text (UTF-8, an optional byte-order mark, LF or CRLF).
// Nothing when a line is malformed, a value is not #RRGGBB, a key is repeated, a
// light key is missing, or the dark palette is incomplete; unknown keys are ignored
// so a newer theme still loads.
std::optional<Theme> ParseTheme(std::string_view text);

}  // namespace zeph::win32
