#pragma once
// The colours of the "Quillmere" theme. The program carries them as the resource
// VCLSTYLE "Quillmere" in a small text format of its own (resources/quillmere.theme):
//
//   ; a comment
//   window=#FFFFFF
//
// one key=#RRGGBB a line, every key of ThemeColor present once. Parsing knows no
// Windows types, so it is tested on the host.
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

struct Theme {
  std::array<Rgb, static_cast<std::size_t>(ThemeColor::Count)> colors{};
  Rgb operator[](ThemeColor c) const { return colors[static_cast<std::size_t>(c)]; }
};

// The file's key for a colour ("header_down_text").
std::string_view ThemeKey(ThemeColor color);

// Parses the resource text (UTF-8, an optional byte-order mark, LF or CRLF).
// Nothing when a line is malformed, a value is not #RRGGBB, a key is repeated or
// missing; unknown keys are ignored so a newer theme still loads.
std::optional<Theme> ParseTheme(std::string_view text);

}  // namespace zeph::win32
