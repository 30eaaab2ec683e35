#include "app/look/theme.h"

#include <algorithm>

namespace zeph::win32 {
namespace {

constexpr std::array<std::string_view, static_cast<std::size_t>(ThemeColor::Count)> kKeys = {
#define TIDEWELL_THEME_COLOR_KEY(name, member, key, system) key,
    TIDEWELL_THEME_COLORS(TIDEWELL_THEME_COLOR_KEY)
#undef TIDEWELL_THEME_COLOR_KEY
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<Rgb> ParseColor(std::string_view v) {
  if (v.size() != 7 || v[0] != '#') return std::nullopt;
  std::uint8_t bytes[3];
  for (int i = 0; i < 3; ++i) {
    const int hi = HexDigit(v[1 + 2 * i]), lo = HexDigit(v[2 + 2 * i]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[i] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  return Rgb{bytes[0], bytes[1], bytes[2]};
}

}  // namespace

std::string_view ThemeKey(ThemeColor color) { return kKeys[static_cast<std::size_t>(color)]; }

std::optional<Theme> ParseTheme(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Theme theme;
  ThemeColors dark;
  std::array<bool, kKeys.size()> seen{}, seenDark{};
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;

    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view key = Trim(line.substr(0, eq));
    const auto color = ParseColor(Trim(line.substr(eq + 1)));
    if (key.empty() || !color) return std::nullopt;
    const bool isDark = key.starts_with(kDarkPrefix);
    if (isDark) key.remove_prefix(kDarkPrefix.size());
    auto& slots = isDark ? dark.colors : theme.light.colors;
    auto& found = isDark ? seenDark : seen;
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
      if (kKeys[i] != key) continue;
      if (found[i]) return std::nullopt;
      found[i] = true;
      slots[i] = *color;
    }
  }
  const auto count = [](const auto& flags) {
    return static_cast<std::size_t>(std::count(flags.begin(), flags.end(), true));
  };
  if (count(seen) != kKeys.size()) return std::nullopt;
  const std::size_t darkKeys = count(seenDark);
  if (darkKeys == kKeys.size()) theme.dark = dark;
  else if (darkKeys != 0) return std::nullopt;
  return theme;
}

namespace {
constexpr bool KeysDistinct() {
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    for (std::size_t j = i + 1; j < kKeys.size(); ++j) {
      if (kKeys[i] == kKeys[j]) return false;
    }
  }
  return true;
}
static_assert(KeysDistinct(), "every colour of TIDEWELL_THEME_COLORS has a theme key of its own");
}  // namespace

}  // namespace zeph::win32
