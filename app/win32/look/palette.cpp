#include "app/win32/look/palette.h"

#include <cstdint>
#include <string_view>

#include "app/look/appearance.h"
#include "common/win32/handles.h"

namespace zeph::win32 {
namespace {

COLORREF Sys(int index) { return GetSysColor(index); }
COLORREF FromRgb(Rgb c) { return RGB(c.r, c.g, c.b); }

// The user's "apps" mode in Settings > Personalisation > Colours; nothing where this
// Windows has no such choice.
std::optional<std::uint32_t> AppsUseLightTheme() {
  UniqueHkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                    KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0, value = 0, size = sizeof value;
  const LONG status =
      RegQueryValueExW(key.get(), L"AppsUseLightTheme", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
  return value;
}

bool HighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

COLORREF Blend(COLORREF a, COLORREF b, int percentOfB) {
  const auto mix = [&](int x, int y) { return static_cast<BYTE>((x * (100 - percentOfB) + y * percentOfB) / 100); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

Palette SystemPalette() {
  Palette p{};
  p.themed = false;
#define TIDEWELL_THEME_COLOR_SYSTEM(name, member, key, system) p.member = Sys(system);
  TIDEWELL_THEME_COLORS(TIDEWELL_THEME_COLOR_SYSTEM)
#undef TIDEWELL_THEME_COLOR_SYSTEM
  p.disabledText = Sys(COLOR_GRAYTEXT);
  return p;
}

Palette ThemePalette(const ThemeColors& t, bool dark) {
  Palette p{};
  p.themed = true;
  p.dark = dark;
#define TIDEWELL_THEME_COLOR_FROM_THEME(name, member, key, system) p.member = FromRgb(t[ThemeColor::name]);
  TIDEWELL_THEME_COLORS(TIDEWELL_THEME_COLOR_FROM_THEME)
#undef TIDEWELL_THEME_COLOR_FROM_THEME
  p.disabledText = Blend(p.buttonText, p.buttonFace, 60);
  return p;
}

std::optional<Theme> LoadThemeResource(const std::wstring& name) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, name.c_str(), L"VCLSTYLE");
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, found);
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!bytes) return std::nullopt;
  return ParseTheme(std::string_view(bytes, SizeofResource(module, found)));
}

Palette PaletteFor(const std::optional<Theme>& theme) {
  switch (ChooseLook(theme.has_value(), theme && theme->dark, AppsUseLightTheme(), HighContrastOn())) {
    case Look::Dark: return ThemePalette(*theme->dark, true);
    case Look::Light: return ThemePalette(theme->light);
    case Look::System: break;
  }
  return SystemPalette();
}

Palette CurrentPalette(const std::wstring& name) { return PaletteFor(LoadThemeResource(name)); }

bool IsLookChange(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SYSCOLORCHANGE) return true;
  if (msg != WM_SETTINGCHANGE) return false;
  if (wParam == SPI_SETHIGHCONTRAST) return true;
  const auto* area = reinterpret_cast<const wchar_t*>(lParam);
  return area && std::wstring_view(area) == L"ImmersiveColorSet";
}

Palette ApplyTheme(const std::wstring& name) {
  if (const auto theme = LoadThemeResource(name)) return PaletteFor(theme);
  // Before any window exists; the box has no owner. Its caption is the program's
  // name, the title it has before the settings are read.
  MessageBoxW(nullptr, (L"Style '" + name + L"' not found").c_str(), L"Tidewell", MB_OK | MB_ICONERROR);
  return SystemPalette();
}

}  // namespace zeph::win32
