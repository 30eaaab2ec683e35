#pragma once
// The colours of the "Quillmere" theme. The program carries them as the resource
// VCLSTYLE "Quillmere" in a small text format of its own (resources/quillmere.theme):
//
//   ; a comment
//   window=#FFFFFF
//   dark.window=#1F1F1F
//
// one key=#RRGGBB a line. The plain keys are the light palette, every key of
// ThemeColor present once. The same keys behind "dark." are the dark palette: all
// of them or none (a theme without them has only the light one). A reader that
// knows no dark palette skips those keys as unknown, so the file stays readable by
// older builds. Parsing knows no Windows types, so it is tested on the host.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zeph::win32 {

enum class ThemeColor : std::size_t {
  Window,          // body of the window and both pages
  Text,            // ordinary labels and check boxes
  Header,          // the header band
  HeaderLine,      // the hairline under the header band
  HeaderText,      // a header button at rest
  HeaderHot,       // a header button under the mouse
  HeaderDown,      // the page button that is down
  HeaderDownText,  // its caption, and the marker line under it
  Accent,          // progress bar, focus
  ButtonFace,      // push buttons
  ButtonHot,
  ButtonDown,
  ButtonBorder,
  ButtonText,
  GroupFrame,      // group box frames
  GroupText,       // group box captions
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
