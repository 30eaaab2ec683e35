#include "app/look/theme.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include <string>

#include "app/win32/look/palette.h"
#include "common/win32/threads.h"

namespace zeph::win32 {
namespace {

// Every key once, each with its own colour (index i gets #0i0i0i-ish bytes).
std::string FullTheme(const std::string& eol = "\n") {
  std::string text;
  for (std::size_t i = 0; i < static_cast<std::size_t>(ThemeColor::Count); ++i) {
    char value[8];
    std::snprintf(value, sizeof value, "#%02X%02x%02X", unsigned(i), unsigned(i + 16), unsigned(255 - i));
    text += std::string(ThemeKey(static_cast<ThemeColor>(i))) + "=" + value + eol;
  }
  return text;
}

TEST(ThemeTest, EveryKeyIsReadIntoItsOwnSlot) {
  const auto theme = ParseTheme(FullTheme());
  ASSERT_TRUE(theme);
  for (std::size_t i = 0; i < static_cast<std::size_t>(ThemeColor::Count); ++i) {
    const Rgb expected{std::uint8_t(i), std::uint8_t(i + 16), std::uint8_t(255 - i)};
    EXPECT_EQ(theme->light[static_cast<ThemeColor>(i)], expected) << ThemeKey(static_cast<ThemeColor>(i));
  }
}

TEST(ThemeTest, AcceptedSpellings) {
  const std::string full = FullTheme();
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"CRLF line ends", FullTheme("\r\n")},
      {"byte-order mark", "\xEF\xBB\xBF" + full},
      {"comments and blank lines", "; Quillmere\n\n" + full + "\n; end\n"},
      {"blanks around key and value", " window = #ffffff \t\n" + full.substr(full.find('\n') + 1)},
      {"no line end after the last line", full.substr(0, full.size() - 1)},
      {"unknown key from a newer theme", full + "tooltip=#FFFFE1\n"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(ParseTheme(c.text)) << c.name;
  }
}

TEST(ThemeTest, RejectedTexts) {
  const std::string full = FullTheme();
  const std::string withoutFirst = full.substr(full.find('\n') + 1);
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"empty resource", ""},
      {"only comments", "; nothing\n"},
      {"a key missing", withoutFirst},
      {"a key repeated", full + "window=#000000\n"},
      {"no equals sign", full + "accent #123456\n"},
      {"empty key", full + "=#123456\n"},
      {"no hash", "window=FFFFFF\n" + withoutFirst},
      {"short value", "window=#FFF\n" + withoutFirst},
      {"long value", "window=#FFFFFF0\n" + withoutFirst},
      {"not hex", "window=#GGFFFF\n" + withoutFirst},
      {"empty value", "window=\n" + withoutFirst},
      {"binary junk", std::string("\x00\x01\x02", 3)},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ParseTheme(c.text)) << c.name;
  }
}

// The shipped theme, read back from the resource as the program reads it, must load,
// or every start would greet the user with an error box.
TEST(ThemeTest, ShippedThemeLoadsFromTheResource) {
  const auto theme = LoadThemeResource(L"Quillmere");
  ASSERT_TRUE(theme);
  EXPECT_EQ(theme->light[ThemeColor::Window], (Rgb{255, 255, 255}));
  EXPECT_TRUE(theme->dark);
  EXPECT_FALSE(LoadThemeResource(L"NoSuchTheme"));
}

}  // namespace
}  // namespace zeph::win32

namespace zeph::win32 {
namespace {

// A theme that cannot be found: the user is told in an error box with one close
// button, then the window takes the system's look.
TEST(ThemeTest, MissingThemeIsReportedThenTheSystemLookIsUsed) {
  Palette palette = ThemePalette(ThemeColors{});
  Thread starter([&] { palette = ApplyTheme(L"NoSuchTheme"); });
  HWND box = nullptr;
  for (int i = 0; i < 100 && !box; ++i, Sleep(50)) box = FindWindowW(L"#32770", L"Tidewell");
  ASSERT_NE(box, nullptr) << "no error box";
  wchar_t text[128] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 128);
  std::vector<HWND> buttons;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM list) {
        wchar_t cls[16] = {};
        GetClassNameW(child, cls, 16);
        if (_wcsicmp(cls, L"Button") == 0 && IsWindowVisible(child)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&buttons));
  for (HWND b : buttons) PostMessageW(b, BM_CLICK, 0, 0);
  starter.Join();
  EXPECT_STREQ(text, L"Style 'NoSuchTheme' not found");
  EXPECT_EQ(buttons.size(), 1u);
  EXPECT_FALSE(palette.themed);
  EXPECT_EQ(palette.window, GetSysColor(COLOR_WINDOW));
}

}  // namespace
}  // namespace zeph::win32

namespace zeph::win32 {
namespace {

TEST(ThemeTest, OnlyTheLookSettingsCountAsALookChange) {
  const struct {
    UINT msg;
    WPARAM wParam;
    const wchar_t* area;
    bool expected;
  } cases[] = {
      {WM_SETTINGCHANGE, 0, L"ImmersiveColorSet", true},
      {WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, nullptr, true},
      {WM_SYSCOLORCHANGE, 0, nullptr, true},
      {WM_SETTINGCHANGE, 0, L"intl", false},
      {WM_SETTINGCHANGE, SPI_SETWORKAREA, nullptr, false},
      {WM_SETTINGCHANGE, 0, nullptr, false},
      {WM_THEMECHANGED, 0, nullptr, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsLookChange(c.msg, c.wParam, reinterpret_cast<LPARAM>(c.area)), c.expected)
        << c.msg << " " << c.wParam << " " << (c.area ? c.area : L"");
  }
}

}  // namespace
}  // namespace zeph::win32
