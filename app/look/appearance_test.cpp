// The theme's two palettes and the choice between the looks, on the host.
#include "app/look/appearance.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/look/theme.h"

namespace zeph::win32 {
namespace {

constexpr auto kCount = static_cast<std::size_t>(ThemeColor::Count);

std::string Palette(std::string_view prefix, std::uint8_t shade) {
  std::string text;
  for (std::size_t i = 0; i < kCount; ++i) {
    char value[8];
    std::snprintf(value, sizeof value, "#%02X%02X%02X", unsigned(shade), unsigned(i), unsigned(shade));
    text += std::string(prefix) + std::string(ThemeKey(static_cast<ThemeColor>(i))) + "=" + value + "\n";
  }
  return text;
}

TEST(AppearanceTest, DarkKeysAreASecondPaletteAllOrNone) {
  const std::string light = Palette("", 0xEE), dark = Palette(kDarkPrefix, 0x11);
  const auto both = ParseTheme(light + dark);
  ASSERT_TRUE(both);
  ASSERT_TRUE(both->dark);
  for (std::size_t i = 0; i < kCount; ++i) {
    EXPECT_EQ(both->light[static_cast<ThemeColor>(i)], (Rgb{0xEE, std::uint8_t(i), 0xEE}));
    EXPECT_EQ((*both->dark)[static_cast<ThemeColor>(i)], (Rgb{0x11, std::uint8_t(i), 0x11}));
  }
  // The dark keys may come first; a theme of before the dark palette still loads.
  EXPECT_TRUE(ParseTheme(dark + light));
  const auto lightOnly = ParseTheme(light);
  ASSERT_TRUE(lightOnly);
  EXPECT_FALSE(lightOnly->dark);

  const struct {
    const char* name;
    std::string text;
  } rejected[] = {
      {"only the dark palette", dark},
      {"a dark key missing", light + dark.substr(dark.find('\n') + 1)},
      {"a dark key repeated", light + dark + "dark.window=#000000\n"},
      {"a dark value malformed", light + "dark.window=#00000\n" + dark.substr(dark.find('\n') + 1)},
  };
  for (const auto& c : rejected) EXPECT_FALSE(ParseTheme(c.text)) << c.name;
}

TEST(AppearanceTest, HighContrastAndAMissingThemeGiveTheSystemLookOtherwiseTheAppsChoice) {
  const std::optional<std::uint32_t> missing;
  const struct {
    bool loaded, hasDark;
    std::optional<std::uint32_t> appsLight;
    bool highContrast;
    Look expected;
  } cases[] = {
      {true, true, 1u, false, Look::Light},
      {true, true, 0u, false, Look::Dark},
      {true, true, missing, false, Look::Light},  // Windows before the choice existed
      {true, true, 7u, false, Look::Light},       // only 0 asks for dark
      {true, false, 0u, false, Look::Light},      // a theme without a dark palette
      {true, true, 0u, true, Look::System},
      {true, true, 1u, true, Look::System},
      {false, false, 0u, false, Look::System},
      {false, false, 1u, true, Look::System},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseLook(c.loaded, c.hasDark, c.appsLight, c.highContrast), c.expected)
        << c.loaded << c.hasDark << c.appsLight.value_or(99) << c.highContrast;
  }
}

TEST(AppearanceTest, ContrastRatioFollowsWcag) {
  EXPECT_NEAR(ContrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio({0x80, 0x80, 0x80}, {0x80, 0x80, 0x80}), 1.0, 1e-9);
  EXPECT_NEAR(ContrastRatio({0x80, 0x80, 0x80}, {255, 255, 255}), 3.95, 0.01);
  EXPECT_NEAR(ContrastRatio({0, 0, 255}, {0, 0, 0}), 2.44, 0.01);  // blue weighs least
}

// The theme the program carries: both palettes load, and in each the status page's
// labels read: ordinary text well, the program's fixed grey ones too, and the grey
// ones apart from the ordinary ones.
TEST(AppearanceTest, ShippedThemeHasBothPalettesAndItsLabelsRead) {
  std::ifstream file(TW_THEME_FILE, std::ios::binary);
  ASSERT_TRUE(file) << TW_THEME_FILE;
  std::ostringstream text;
  text << file.rdbuf();
  const auto theme = ParseTheme(text.str());
  ASSERT_TRUE(theme);
  ASSERT_TRUE(theme->dark);
  const Rgb grey{0x80, 0x80, 0x80};
  for (const ThemeColors* palette : {&theme->light, &*theme->dark}) {
    const char* name = palette == &theme->light ? "light" : "dark";
    const Rgb window = (*palette)[ThemeColor::Window], text = (*palette)[ThemeColor::Text];
    EXPECT_GE(ContrastRatio(text, window), 4.5) << name;
    EXPECT_GE(ContrastRatio(grey, window), 3.0) << name;
    EXPECT_GE(ContrastRatio(grey, text), 3.0) << name;
    EXPECT_GE(ContrastRatio((*palette)[ThemeColor::ButtonText], (*palette)[ThemeColor::ButtonFace]), 4.5) << name;
    EXPECT_GE(ContrastRatio((*palette)[ThemeColor::HeaderText], (*palette)[ThemeColor::Header]), 4.5) << name;
    EXPECT_GE(ContrastRatio((*palette)[ThemeColor::HeaderDownText], (*palette)[ThemeColor::HeaderDown]), 4.5) << name;
    EXPECT_GE(ContrastRatio((*palette)[ThemeColor::GroupText], window), 4.5) << name;
  }
  EXPECT_LT(ContrastRatio((*theme->dark)[ThemeColor::Window], {0, 0, 0}), 2.0) << "the dark body is dark";
}

}  // namespace
}  // namespace zeph::win32
